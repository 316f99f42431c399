// The shader corpus (tests/shaders/corpus): shaders written the way real shader model 5
// code is, each checking its own results and drawing green when all of them hold. Every
// file is translated, linked with its own partner entry or the harness's, drawn, and its
// centre pixel compared. A "// expect: R G B" line names another colour (a discard shows
// the cleared black). The constants below are what the corpus reads.
#include "ShaderHarness.h"

#include <fstream>
#include <sstream>

namespace {

struct LightInfo {
    float direction[3];
    float intensity;
    float colour[4];
};

struct Constants {
    float time = 0.5f;
    float scale = 2.0f;
    float offset[2] = {0.25f, 0.75f};
    float tint[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    int32_t mode = -7;
    uint32_t count = 5;
    uint32_t enabled = 1;
    float transform[16];        // 0 to 15 in memory order
    float weights[12];          // float4[3]: 1 to 12
    float levels[13] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}; // float[4], one register each
    LightInfo light = {{0, 0, 1}, 0.5f, {1, 0.5f, 0.25f, 1}};
    Constants()
    {
        for (int i = 0; i < 16; ++i)
            transform[i] = static_cast<float>(i);
        for (int i = 0; i < 12; ++i)
            weights[i] = static_cast<float>(i + 1);
    }
};

class ShaderCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_Harness.Ready())
            GTEST_SKIP() << "no OpenGL 4.5 context through EGL";
        m_Harness.Publish("Time", &m_Constants.time, 4);
        m_Harness.Publish("Scale", &m_Constants.scale, 4);
        m_Harness.Publish("Offset", m_Constants.offset, 8);
        m_Harness.Publish("Tint", m_Constants.tint, 16);
        m_Harness.Publish("Mode", &m_Constants.mode, 4);
        m_Harness.Publish("Count", &m_Constants.count, 4);
        m_Harness.Publish("Enabled", &m_Constants.enabled, 4);
        m_Harness.Publish("Transform", m_Constants.transform, 64);
        m_Harness.Publish("Rows", m_Constants.transform, 64);
        m_Harness.Publish("Weights", m_Constants.weights, 48);
        m_Harness.Publish("Levels", m_Constants.levels, 52);
        m_Harness.Publish("Light", &m_Constants.light, 32);
    }
    Constants m_Constants;
    ShaderHarness m_Harness;
};

std::array<int, 3> Expected(const std::string& text)
{
    std::array<int, 3> colour{0, 255, 0};
    const size_t at = text.find("// expect: ");
    if (at != std::string::npos)
        std::istringstream(text.substr(at + 11)) >> colour[0] >> colour[1] >> colour[2];
    return colour;
}

TEST_F(ShaderCorpus, EveryShaderCompilesLinksAndDrawsItsColour)
{
    const auto dir = std::filesystem::path(ML_TEST_DATA_DIR) / "shaders" / "corpus";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 40u);
    for (const auto& file : files) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        const std::string name = file.stem().string();
        // A missing stage is the harness's partner: the pass vertex shader, or the pixel
        // shader that shows COLOR0.
        const bool vs = source.find("VSMain(") != std::string::npos;
        const bool ps = source.find("PSMain(") != std::string::npos;
        CGLMaterialResource* material = m_Harness.Material(name, source, vs ? "VSMain" : "", ps ? "PSMain" : "");
        ASSERT_NE(material, nullptr) << name;
        EXPECT_NE(material->GetProgram(), 0u) << name;
        const std::array<int, 3> want = Expected(source);
        EXPECT_TRUE(Near(m_Harness.CentreOf(material), want)) << name;
    }
}

} // namespace
