// Resource registry and parameter table: name folding, kinds, duplicates, lookups.
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"

#include <gtest/gtest.h>

namespace {
struct TestResource : CResource {
    using CResource::CResource;
};

TEST(ResourceRegistry, NamesFoldOnlyAsciiLettersAndKindsSeparate)
{
    TestResource texture(RESOURCE_TEXTURE, "Logo");
    TestResource model(RESOURCE_MODEL, "LOGO");
    TestResource again(RESOURCE_TEXTURE, "logo");
    TestResource accented(RESOURCE_TEXTURE, "caf\xC3\x89");
    TestResource punct(RESOURCE_TEXTURE, "logo!");
    CResourceRegistry reg;

    EXPECT_EQ(texture.GetName(), "logo");
    EXPECT_TRUE(reg.AddResource(&texture));
    EXPECT_TRUE(reg.AddResource(&model));
    EXPECT_FALSE(reg.AddResource(&again)); // same name and kind
    EXPECT_TRUE(reg.AddResource(&accented));
    EXPECT_TRUE(reg.AddResource(&punct));

    EXPECT_EQ(reg.FindResource("LOGO"), &texture); // kind-less: first registered
    EXPECT_EQ(reg.FindResource("logo", RESOURCE_MODEL), &model);
    EXPECT_EQ(reg.FindResource("Logo", RESOURCE_TEXTURE), &texture);
    EXPECT_EQ(reg.FindResource("logo", RESOURCE_FONT), nullptr);
    EXPECT_EQ(reg.FindResource("caf\xC3\xA9"), nullptr); // bytes above 127 are not folded
    EXPECT_EQ(reg.FindResource("CAF\xC3\x89"), &accented);
    EXPECT_EQ(reg.FindResource("logo?"), nullptr);
    EXPECT_EQ(reg.GetAll().size(), 4u);
}

TEST(ParameterTable, RegisterSetAndExactFind)
{
    CParameterTable table;
    float world[16] = {};
    float first = 1.0f, second = 2.0f;
    float colourA[4] = {}, colourB[4] = {};

    table.RegisterParameter(world, 64, "WorldMatrix");
    uint32_t size = 0;
    EXPECT_EQ(table.FindParameter("WorldMatrix"), nullptr); // stored lowercased, found exactly
    EXPECT_EQ(table.FindParameter("worldmatrix", &size), world);
    EXPECT_EQ(size, 64u);

    table.RegisterParameter(&first, 4, "twice");
    table.RegisterParameter(&second, 4, "twice");
    EXPECT_EQ(table.FindParameter("twice"), &first);

    table.SetParameter("AmbientColour", colourA, 16);
    table.SetParameter("AmbientColour", colourB, 16);
    int bindings = 0;
    for (const ParameterBinding& b : table.GetAll())
        bindings += b.name == "ambientcolour";
    EXPECT_EQ(bindings, 1);
    EXPECT_EQ(table.FindParameter("ambientcolour"), colourB);

    // A different size is a different binding.
    table.SetParameter("ambientcolour", &first, 4);
    EXPECT_EQ(table.GetAll().size(), 5u);
    EXPECT_EQ(table.FindParameter("ambientcolour", &size), colourB);
    EXPECT_EQ(size, 16u);
}
} // namespace
