// Material files through the material keyword table, with a material that
// records what the back end would be asked to compile.
#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "render/MaterialResource.h"
#include "render/TextureResource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class RecordingMaterial : public CMaterialResource {
public:
    RecordingMaterial() : CMaterialResource("m") {}
    void LoadShader(MaterialStage stage, const std::string& file, const std::string& entry) override
    {
        calls.push_back((stage == MaterialStage::Pixel ? "ps " : "vs ") + file + " " + entry);
        if (stage == MaterialStage::Pixel)
            hasPixelShader = true;
    }
    bool FindPixelResource(const std::string& name, uint32_t& bindPoint) const override
    {
        if (!hasPixelShader || name != "Frame")
            return false;
        bindPoint = 3;
        return true;
    }
    bool HasPixelShader() const override { return hasPixelShader; }
    std::vector<std::string> calls;
    bool hasPixelShader = false;
};

class MaterialFile : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
};

TEST_F(MaterialFile, CommandsArgumentsAndSlots)
{
    dir.Write("Mats/A.txt", "# comment\r\n"
                            "textureslot early Frame\r\n"          // no pixel shader yet: no slot
                            "LoadVertexShader Shaders\\a.hlsl VSMain\r\n"
                            "loadpixelshader \"Shaders\\my file.hlsl\" PSMain\r\n"
                            "loadpixelshader only-one\r\n"         // wrong count: ignored
                            "textureslot RenderTarget Frame\r\n"
                            "textureslot missing NoSuchTexture\r\n"
                            "textureslot rendertarget Frame\r\n"   // a second slot of the same name
                            "include Mats/B.txt\r\n");
    dir.Write("Mats/B.txt", "textureslot extra Frame\n");
    RecordingMaterial m;
    std::vector<std::string> reports;
    diag::SetEnabled(true);
    diag::SetSink([&](const std::string& line) { reports.push_back(line); });
    EXPECT_TRUE(m.ReadMaterialFile("Mats\\A.txt"));
    diag::SetSink({});
    diag::SetEnabled(false);
    // Each line that does nothing says so, at its own place.
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].rfind("Mats\\A.txt:2: 'textureslot' early: no pixel shader is loaded", 0), 0u) << reports[0];
    EXPECT_EQ(reports[1].rfind("Mats\\A.txt:5: 'loadpixelshader' takes 2 arguments (a shader file and an entry point), not 1", 0), 0u) << reports[1];
    EXPECT_EQ(reports[2].rfind("Mats\\A.txt:7: 'textureslot' missing: the pixel shader uses no texture named "
                               "'NoSuchTexture'", 0), 0u) << reports[2];
    EXPECT_EQ(reports[3].rfind("Mats\\A.txt:8: 'textureslot' rendertarget: the material has a slot of that name", 0), 0u)
        << reports[3];
    EXPECT_EQ(m.calls, (std::vector<std::string>{"vs Shaders\\a.hlsl VSMain", "ps Shaders\\my file.hlsl PSMain"}));
    ASSERT_EQ(m.GetTextureSlots().size(), 3u);
    EXPECT_EQ(m.GetTextureSlots()[0].name, "rendertarget");
    EXPECT_EQ(m.GetTextureSlots()[0].bindPoint, 3u);
    EXPECT_EQ(m.GetTextureSlots()[2].name, "extra");

    CTextureResource texture("t");
    m.SetTexture("rendertarget", &texture);
    EXPECT_EQ(m.GetTextureSlots()[0].texture, &texture);
    EXPECT_EQ(m.GetTextureSlots()[1].texture, nullptr); // only the first of that name
}

TEST_F(MaterialFile, UnknownKeywordOrMissingFileFails)
{
    dir.Write("bad.txt", "loadvertexshader a.hlsl VSMain\nsetblend on\nloadpixelshader a.hlsl PSMain\n");
    RecordingMaterial m;
    EXPECT_FALSE(m.ReadMaterialFile("bad.txt"));
    // What came before the bad line stays; nothing after it is read.
    EXPECT_EQ(m.calls, (std::vector<std::string>{"vs a.hlsl VSMain"}));

    RecordingMaterial missing;
    EXPECT_FALSE(missing.ReadMaterialFile("Data\\Mats\\Nowhere.txt"));
    // An empty file loads, but without a vertex stage nothing draws: said once. A vertex
    // stage alone draws depth, as Direct3D does with no pixel shader: no problem, a warning
    // in case the pixel line was forgotten.
    const struct {
        const char* text;
        int problems, warnings;
    } stages[] = {{"", 1, 0}, {"loadvertexshader a.hlsl VSMain\n", 0, 1}};
    for (const auto& c : stages) {
        dir.Write("stages.txt", c.text);
        RecordingMaterial material;
        diag::ResetCount();
        EXPECT_TRUE(material.ReadMaterialFile("stages.txt"));
        EXPECT_EQ(diag::Count(), c.problems) << c.text;
        EXPECT_EQ(diag::WarningCount(), c.warnings) << c.text;
    }
}

TEST(MaterialConstants, WhatNothingFillsIsSaidWithTheNearestPublishedName)
{
    RecordingMaterial m;
    std::vector<std::string> reports;
    diag::ResetCount();
    diag::SetEnabled(true);
    diag::SetSink([&](const std::string& line) { reports.push_back(line); });
    m.CheckConstant("ambientcolor", 16);    // a slip: warned, with the name meant
    m.CheckConstant("myspeed", 4);          // no published name near: the list
    m.CheckConstant("ambientcolour", 12);   // the right name, the wrong size: a problem
    const std::pair<const char*, uint32_t> fine[] = {{"global_time", 4},    {"worldmatrix", 64}, {"fade_value", 4},
                                                     {"ambientcolour", 16}, {"pad0", 4},         {"_reserved", 8}};
    for (const auto& [name, size] : fine)
        m.CheckConstant(name, size);
    diag::SetSink({});
    diag::SetEnabled(false);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], "warning: material 'm': nothing fills shader constant 'ambientcolor', so it reads 0; "
                          "did you mean 'AmbientColour'?");
    EXPECT_NE(reports[1].find("'myspeed', so it reads 0 (the values shaders can receive: global_time, WorldMatrix"),
              std::string::npos)
        << reports[1];
    EXPECT_NE(reports[2].find("'ambientcolour' has 12 bytes, but the value of that name has 16"), std::string::npos);
    EXPECT_EQ(diag::WarningCount(), 2);
    EXPECT_EQ(diag::Count(), 1);
    diag::ResetCount();
}

} // namespace
