// Models in the scene on GL: a textured quad through the fixed camera, scales
// from an image's aspect, switching materials, node transforms and the World
// matrix as shaders see them, disabled subtrees, model renderers sharing one
// material, and the depth test between the triangles of one model.
#include "ProductionRunner.h"

#include "scene/NodeResource.h"
#include "scene/ResourceRegistry.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <algorithm>
#include <gtest/gtest-spi.h>
#include <cmath>

namespace {

constexpr std::array<int, 3> kBlack = {0, 0, 0};

bool IsBlack(const Image& image, int x, int y)
{
    return image.At(x, y) == kBlack;
}

// The columns (or rows) of one row (or column) that are not black, as [first, last].
std::pair<int, int> LitSpan(const Image& image, int fixed, bool alongRow)
{
    int first = -1, last = -1;
    const int n = alongRow ? image.width : image.height;
    for (int i = 0; i < n; ++i) {
        if (!(alongRow ? IsBlack(image, i, fixed) : IsBlack(image, fixed, i))) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last};
}

TEST(Scene, TexturedQuadAspectScaleAndMaterialSwitching)
{
    TempDir scratch;
    const std::string dir = CopyProduction("texturedquad", scratch.Path());
    // Top row red, green; bottom row blue, white.
    testimg::WriteFile(dir + "/Checker.png", testimg::Png(2, 2, 8, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    testimg::WriteFile(dir + "/Wide.png", testimg::Png(512, 256, 8, 0, std::vector<uint16_t>(512 * 256, 128)));
    testimg::WriteFile(dir + "/Broken.png", {0x89, 'P', 'N', 'G', 0, 1, 2, 3});
    bool missingRegistered = true, brokenRegistered = true;
    const ProductionRun run = RunProductionAt(dir, {8, 24, 40, 56, 72}, 64, 2000, [&](long frame, CDemoSystem& demo) {
        if (frame == 0) {
            missingRegistered = demo.m_Resources->FindResource("missing", RESOURCE_TEXTURE) != nullptr;
            brokenRegistered = demo.m_Resources->FindResource("broken", RESOURCE_TEXTURE) != nullptr;
        }
    });
    ASSERT_EQ(run.status, 0);
    EXPECT_FALSE(missingRegistered);
    EXPECT_FALSE(brokenRegistered);
    EXPECT_TRUE(run.Reported("texture 'missing' (NoSuchImage.png)"));
    EXPECT_TRUE(run.Reported("texture 'broken' (Broken.png)"));

    // The image's top-left texel at the top left of the quad, nothing flipped.
    const Image& upright = run.images.at(8);
    EXPECT_TRUE(Near(upright.At(15, 1), {255, 0, 0}));
    EXPECT_TRUE(Near(upright.At(48, 1), {0, 255, 0}));
    EXPECT_TRUE(Near(upright.At(15, 34), {0, 0, 255}));
    EXPECT_TRUE(Near(upright.At(48, 34), {255, 255, 255}));
    // Through the fixed camera at 16:9 the unit quad fills the height and the
    // middle 9/16 of the width: columns 14 to 49 of 64.
    EXPECT_EQ(LitSpan(upright, 18, true), std::make_pair(14, 49));
    EXPECT_EQ(LitSpan(upright, 32, false), std::make_pair(0, 35));

    // 512x256: scale (1, 0.5, 1), half the height.
    const Image& wide = run.images.at(24);
    EXPECT_EQ(LitSpan(wide, 32, false), std::make_pair(9, 26));
    EXPECT_EQ(LitSpan(wide, 18, true), std::make_pair(14, 49));

    // "bindmaterial" switches from the next frame on; a wrong slot word changes nothing.
    EXPECT_TRUE(Near(run.images.at(40).At(32, 18), {255, 0, 0}));
    EXPECT_TRUE(Near(run.images.at(56).At(32, 18), {0, 255, 0}));
    EXPECT_TRUE(Near(run.images.at(72).At(32, 18), {0, 255, 0}));
    EXPECT_TRUE(IsBlack(run.images.at(72), 5, 18));
}

TEST(Scene, TransformsAndTheWorldMatrixAsShadersSeeThem)
{
    const ProductionRun run = RunProduction("transforms", {8, 24, 40});
    ASSERT_EQ(run.status, 0);
    for (const std::string& r : run.reports)
        ADD_FAILURE() << r;
    // World x and y are drawn at a quarter scale: (1, 2, 0) is clip (0.25, 0.5),
    // pixel (40, 9); red 0.5 says z = 0.
    const Image& both = run.images.at(8);
    EXPECT_TRUE(Near(both.At(40, 9), {128, 255, 0}));
    EXPECT_TRUE(IsBlack(both, 40, 18)); // where (1, 0, 0) would be untransformed
    // The marker's square of side 0.5 is scaled by 2: 1/8 of clip space each way.
    EXPECT_EQ(LitSpan(both, 9, true).first, 36);
    EXPECT_EQ(LitSpan(both, 40, false), std::make_pair(7, 10));
    // The child, at (-1, -0.5, 0) in its parent's space, lands at (2, 0, 0).
    EXPECT_TRUE(Near(both.At(48, 18), {128, 255, 0}));
    // Rotation (90, 0, 0): (0, 1, 0) goes to (0, 0, 1): the screen's centre, red 1.
    EXPECT_TRUE(Near(both.At(32, 18), {255, 255, 0}));

    // Disabling the first example hides it and its child, not the other example.
    const Image& disabled = run.images.at(24);
    EXPECT_TRUE(IsBlack(disabled, 40, 9));
    EXPECT_TRUE(IsBlack(disabled, 48, 18));
    EXPECT_TRUE(Near(disabled.At(32, 18), {255, 255, 0}));

    // World = local(child) * world(parent), in rows as the shader indexes them
    // (the encoding of the materials test: red (v + 1) / 4, green frac(100 v)).
    const float world[4][4] = {
        {0.5f, 0, 0, 0}, {0, 0.75f, 0, 0}, {0, 0, 1.5f, 0}, {0.125f, -0.375f, 0.0625f, 1}};
    const Image& matrices = run.images.at(40);
    for (int cell = 0; cell < 16; ++cell) {
        const float v = world[cell / 4][cell % 4];
        const int red = static_cast<int>(std::lround((v + 1.0f) * 0.25f * 255.0f));
        const float scaled = v * 100.0f;
        const int green = static_cast<int>(std::lround((scaled - std::floor(scaled)) * 255.0f));
        EXPECT_TRUE(Near(matrices.At(cell * 4 + 2, 6), {red, green, 0}, 2)) << "element " << cell / 4 << "," << cell % 4;
    }
}

TEST(Scene, RenderersSharingAMaterialDrawWithTheirOwnUpdate)
{
    const ProductionRun run = RunProduction("sharedmaterial", {2, 4, 24});
    ASSERT_EQ(run.status, 0);
    // Each update advances the colour by one step of 1/64 s at 4 per second:
    // in frame k the left renderer saw red 4 (2k + 1) / 64, the right 4 (2k + 2) / 64.
    const auto red = [](long step) { return static_cast<int>(std::lround(std::min(4.0 * step / 64.0, 1.0) * 255.0)); };
    for (long k : {2L, 4L, 24L}) {
        const Image& image = run.images.at(k);
        EXPECT_TRUE(Near(image.At(23, 18), {red(2 * k + 1), 0, 0})) << "frame " << k;
        EXPECT_TRUE(Near(image.At(41, 18), {red(2 * k + 2), 0, 0})) << "frame " << k;
        EXPECT_TRUE(IsBlack(image, 32, 18));
        // Each at its own node: quads of half-size 0.2 at x = -0.5 and 0.5, also
        // once their constants stop changing (frame 24).
        EXPECT_EQ(LitSpan(image, 18, true), std::make_pair(19, 44)) << "frame " << k;
    }
}

TEST(Scene, DepthTestKeepsTheNearerTriangle)
{
    bool refusedRegistered = true;
    const ProductionRun run = RunProduction("depth", {2}, 64, 2000, [&](long frame, CDemoSystem& demo) {
        if (frame != 0)
            return;
        refusedRegistered = demo.m_Resources->FindResource("missing", RESOURCE_MODEL) ||
                            demo.m_Resources->FindResource("flat", RESOURCE_MODEL);
    });
    ASSERT_EQ(run.status, 0);
    EXPECT_FALSE(refusedRegistered);
    EXPECT_TRUE(run.Reported("model 'missing'"));
    EXPECT_TRUE(run.Reported("model 'flat'"));
    const Image& image = run.images.at(2);
    // The near triangle was drawn first; the far one, drawn over it, fails the depth test.
    EXPECT_TRUE(Near(image.At(32, 18), {255, 0, 0}));
    // Below the near triangle only the far one is there.
    EXPECT_TRUE(Near(image.At(32, 28), {0, 255, 0}));
}

} // namespace

// The GL error check itself: a call the driver refuses reaches the tests as a failure.
TEST(GLErrors, ADriverErrorFailsTheRun)
{
    EXPECT_NONFATAL_FAILURE(RunProduction("orientation", {}, 64, 2,
                                          [](long frame, CDemoSystem&) {
                                              if (frame == 0)
                                                  glEnable(GL_TEXTURE_2D); // not a core capability
                                          }),
                            kGLErrorReport);
}
