// Resource registry and parameter table: name folding, kinds, duplicates, lookups.
#include "render/ConstantFiller.h"
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

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

// The index answers exactly as a scan of the list in registration order would.
TEST(ResourceRegistry, IndexAgreesWithAScanInRegistrationOrder)
{
    std::mt19937 random(7);
    std::vector<std::unique_ptr<TestResource>> made;
    CResourceRegistry reg;
    const char* names[] = {"a", "A", "b", "node", "NODE", "x\xC3", "", "long name with spaces"};
    for (int i = 0; i < 400; ++i) {
        const auto kind = static_cast<ResourceKind>(1 + random() % 11);
        made.push_back(std::make_unique<TestResource>(kind, names[random() % std::size(names)]));
        bool listed = false;
        for (CResource* r : reg.GetAll())
            listed = listed || (r->GetKind() == kind && r->GetName() == made.back()->GetName());
        EXPECT_EQ(reg.AddResource(made.back().get()), !listed);
    }
    for (const char* name : names) {
        auto scan = [&](int kind) -> CResource* {
            for (CResource* r : reg.GetAll())
                if ((kind == 0 || r->GetKind() == kind) && r->GetName() == LowerAscii(name))
                    return r;
            return nullptr;
        };
        EXPECT_EQ(reg.FindResource(name), scan(0)) << name;
        for (int kind = 1; kind <= 11; ++kind)
            EXPECT_EQ(reg.FindResource(name, static_cast<ResourceKind>(kind)), scan(kind)) << name << " " << kind;
    }
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

// Variables are matched once, yet see re-pointed bindings and names that appear later.
TEST(ConstantFiller, FollowsRePointingAndLateBindings)
{
    CParameterTable table;
    const float time = 2.5f;
    const float colourA[4] = {1, 2, 3, 4}, colourB[4] = {5, 6, 7, 8};
    table.RegisterParameter(&time, 4, "global_time");
    CConstantFiller filler({{"ambientcolour", 0, 16}, {"global_time", 16, 4}, {"global_time", 20, 8},
                            {"ambientcolour", 28, 16}});
    std::vector<uint8_t> shadow(32, 0xAB);
    auto floatAt = [&](size_t offset) {
        float f;
        std::memcpy(&f, shadow.data() + offset, 4);
        return f;
    };

    filler.Fill(table, shadow);
    EXPECT_EQ(floatAt(0), 0.0f); // not published yet: zero
    EXPECT_EQ(floatAt(16), 2.5f);
    EXPECT_EQ(floatAt(20), 0.0f); // size differs: never written
    EXPECT_EQ(floatAt(28), 0.0f); // would run past the buffer

    table.SetParameter("AmbientColour", colourA, 16);
    filler.Fill(table, shadow);
    EXPECT_EQ(floatAt(12), 4.0f);
    table.SetParameter("AmbientColour", colourB, 16);
    filler.Fill(table, shadow);
    EXPECT_EQ(floatAt(0), 5.0f);
}
} // namespace
