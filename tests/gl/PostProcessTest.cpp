// The post-process chain on GL, through the "chain" production: stage order,
// removal, clearing, and an effect listed twice sampling its own target.
#include "ProductionRunner.h"

namespace {

TEST(PostProcess, ChainOrderRemovalClearingAndSelfSampling)
{
    const ProductionRun run = RunProduction("chain", {8, 24, 40, 56, 72, 88});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.frames, 97); // exitdemo on frame 96, which is still drawn

    // solid (1, 0, 0.25), halved red, then red and blue swapped; every stage
    // drawn full-screen, so the fade quad is not hidden by the effects' depth.
    EXPECT_TRUE(Uniform(run.images.at(8), {64, 0, 128}));
    // The other order: swapped, then halved.
    EXPECT_TRUE(Uniform(run.images.at(24), {32, 0, 255}));
    // removepostprocess takes the effect out, the rest stays in order.
    EXPECT_TRUE(Uniform(run.images.at(40), {64, 0, 255}));
    // An empty chain: the (empty) scene goes straight to the fader.
    EXPECT_TRUE(Uniform(run.images.at(56), {0, 0, 0}, 0));
    // (probe, probe): the second stage reads its own bound target as transparent
    // black, as on Direct3D, and never the picture of the first: 0.5 * 0.25.
    EXPECT_TRUE(Uniform(run.images.at(72), {32, 0, 0}));
    // Both probes removed by one removepostprocess.
    EXPECT_TRUE(Uniform(run.images.at(88), {255, 0, 64}));
}

} // namespace
