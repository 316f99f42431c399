// Materials on GL: colours, constants filled by name, case and size, the
// matrices a pass sees, and materials that fail to load or compile.
#include "ProductionRunner.h"

#include "scene/ResourceRegistry.h"

#include <cmath>

namespace {

class Colours : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_Run = new ProductionRun(RunProduction("colours", {8, 24, 40, 56, 72, 88})); }
    static void TearDownTestSuite()
    {
        delete s_Run;
        s_Run = nullptr;
    }
    static const Image& Frame(long n) { return s_Run->images.at(n); }
    static ProductionRun* s_Run;
};
ProductionRun* Colours::s_Run = nullptr;

TEST_F(Colours, FixedAndFromVariable)
{
    ASSERT_EQ(s_Run->status, 0);
    EXPECT_TRUE(Uniform(Frame(8), {51, 102, 153}));
    // Alpha 0.5 blends the colour over the cleared black target.
    EXPECT_TRUE(Uniform(Frame(24), {26, 51, 77}));
    // Two numbers after the label: nothing changes.
    EXPECT_TRUE(Uniform(Frame(40), {26, 51, 77}));
    EXPECT_TRUE(s_Run->Reported("'setcolour' takes 3, 5 or 6 arguments, not 4"));
    // From a three-value variable: alpha 1.
    EXPECT_TRUE(Uniform(Frame(56), {204, 153, 102}));
}

TEST_F(Colours, ConstantsByNameCaseAndSize)
{
    const Image& image = Frame(72);
    for (int y : {0, 17, 35}) {
        // float3 AmbientColour: the 16-byte colour does not fit, so it stays 0 (+0.25).
        EXPECT_TRUE(Near(image.At(5, y), {64, 64, 64}));
        // Fade_Value in mixed case gets the fade value (1).
        EXPECT_TRUE(Near(image.At(21, y), {255, 0, 0}));
        // A name no one registered is zero (+0.5).
        EXPECT_TRUE(Near(image.At(37, y), {128, 128, 128}));
        // worldMATRIX: the identity of a pass.
        EXPECT_TRUE(Near(image.At(60, y), {255, 128, 64}));
    }
}

TEST_F(Colours, MatricesOfAPass)
{
    // World identity; View the fixed camera at z = -1; Projection of a 90 degree
    // field at 16:9 with near plane 0.1 (passes draw before EndScene moves it to 0.01).
    const float q = 100.0f / (100.0f - 0.1f);
    const float expected[3][4][4] = {
        {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
        {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}},
        {{0.5625f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, q, 1}, {0, 0, -q * 0.1f, 0}},
    };
    const Image& image = Frame(88);
    for (int band = 0; band < 3; ++band) {
        for (int cell = 0; cell < 16; ++cell) {
            const float v = expected[band][cell / 4][cell % 4];
            const int red = static_cast<int>(std::lround((v + 1.0f) * 0.25f * 255.0f));
            const float scaled = v * 100.0f;
            const int green = static_cast<int>(std::lround((scaled - std::floor(scaled)) * 255.0f));
            EXPECT_TRUE(Near(image.At(cell * 4 + 2, band * 12 + 6), {red, green, 0}, 2))
                << "band " << band << " element " << cell / 4 << "," << cell % 4;
        }
    }
}

TEST(Materials, FailuresLeaveTheProductionRunning)
{
    bool badRegistered = true;
    bool brokenRegistered = false;
    const ProductionRun run = RunProduction("materials", {8, 24, 40}, 64, 2000, [&](long frame, CDemoSystem& demo) {
        if (frame != 0)
            return;
        badRegistered = demo.m_Resources->FindResource("bad", RESOURCE_MATERIAL) != nullptr;
        brokenRegistered = demo.m_Resources->FindResource("broken", RESOURCE_MATERIAL) != nullptr;
    });
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.frames, 49);
    // An unknown keyword fails the whole material, though its shaders compiled.
    EXPECT_FALSE(badRegistered);
    EXPECT_TRUE(run.Reported("UnknownKeyword.txt:4: unknown keyword 'blendmode'"));
    EXPECT_TRUE(Uniform(run.images.at(8), {0, 255, 0}, 0));
    // A shader that does not compile: the material loads without it, its pass
    // writes nothing, and the compiler's message names the shader's own line.
    EXPECT_TRUE(brokenRegistered);
    EXPECT_TRUE(run.Reported("Broken.hlsl:4:"));
    EXPECT_TRUE(Uniform(run.images.at(24), {0, 0, 0}, 0));
    EXPECT_TRUE(Uniform(run.images.at(40), {0, 255, 0}, 0));
}

} // namespace
