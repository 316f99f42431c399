// The global fade seen through the fader pass, over a white frame at 60 fps:
// "fadeup 2" from the start, "fadedown 0" at rest and half-way through a fade.
#include "ProductionRunner.h"

#include <cmath>

namespace {

int Grey(double value) { return static_cast<int>(std::lround(255.0 * std::min(value, 1.0))); }

TEST(Fade, UpOverTwoSecondsAndDownAtOnce)
{
    std::set<long> keep;
    for (long f = 0; f < 440; ++f)
        keep.insert(f);
    const ProductionRun run = RunProduction("fade", keep, 60, 440);
    ASSERT_EQ(run.status, 0);
    auto grey = [&](long frame) { return run.images.at(frame).At(32, 18)[0]; };

    // The first frame is already updated once: 1/120 of the way; then 1/120 per frame.
    for (long f = 0; f <= 117; ++f)
        EXPECT_NEAR(grey(f), Grey((f + 1) / 120.0), 1) << "frame " << f;
    // The last step snaps to 1.
    for (long f = 120; f <= 149; ++f)
        EXPECT_EQ(grey(f), 255) << "frame " << f;
    // "fadedown 0" shows black at once (at 2.5 s, one frame either way of float time).
    for (long f = 152; f <= 181; ++f)
        EXPECT_EQ(grey(f), 0) << "frame " << f;
    // "fadeup 4" from 0 at about frame 182, then "fadedown 0" half-way at about frame 302:
    // black at once, and the running fade goes on at a quarter per second ...
    EXPECT_NEAR(grey(240), Grey(59 / 240.0), 3);
    EXPECT_NEAR(grey(300), Grey(119 / 240.0), 3);
    EXPECT_NEAR(grey(310), Grey(9 / 240.0), 3);
    EXPECT_NEAR(grey(415), Grey(114 / 240.0), 3);
    // ... to about a half, when its last step snaps the value to 1.
    for (long f = 425; f < 440; ++f)
        EXPECT_EQ(grey(f), 255) << "frame " << f;
    EXPECT_TRUE(Uniform(run.images.at(59), {grey(59), grey(59), grey(59)}, 0));
}

} // namespace
