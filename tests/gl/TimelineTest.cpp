// The script timeline driving real frames: "delayuntil" in its four modes,
// "resetlocaltime", unknown keywords costing an update, "exitdemo" mid-batch.
#include "ProductionRunner.h"

namespace {

TEST(Timeline, DelayModesLocalClockUnknownKeywordsAndExit)
{
    std::map<long, std::pair<float, float>> clocks; // global, local after each frame
    const std::set<long> frames = {15, 16, 31, 32, 47, 48, 63, 64, 65, 66, 81, 82};
    const ProductionRun run = RunProduction("timeline", frames, 64, 2000, [&](long frame, CDemoSystem& demo) {
        clocks[frame] = {demo.m_fGlobalTime, demo.m_fLocalTime};
    });
    ASSERT_EQ(run.status, 0);
    const std::map<long, std::array<int, 3>> colours = {
        {15, {0, 0, 0}},     {16, {255, 0, 0}},   // "delay"
        {31, {255, 0, 0}},   {32, {0, 255, 0}},   // an unknown mode: absolute 0.5, not 0.25 + 0.5
        {47, {0, 255, 0}},   {48, {0, 0, 255}},   // "local" after resetlocaltime on frame 32
        {63, {0, 0, 255}},   {64, {255, 255, 0}}, // "music" with no track: as "delay"
        {65, {255, 255, 0}}, {66, {0, 255, 255}}, // two unknown keywords: frames 64 and 65 read one each
        {81, {0, 255, 255}}, {82, {255, 0, 255}}, // 0.25 s of updated frames after frame 66
    };
    for (const auto& [frame, colour] : colours)
        EXPECT_TRUE(Uniform(run.images.at(frame), colour, 0)) << "frame " << frame;

    // Frames that read an unknown keyword are drawn but advance no clock.
    EXPECT_EQ(clocks.at(63).first, 1.0f);
    EXPECT_EQ(clocks.at(64).first, 1.0f);
    EXPECT_EQ(clocks.at(65).first, 1.0f);
    EXPECT_EQ(clocks.at(66).first, 1.0f + 1.0f / 64.0f);
    EXPECT_EQ(clocks.at(32).second, 1.0f / 64.0f);
    // exitdemo: its frame runs in full, nothing after it is read, and the loop ends.
    EXPECT_EQ(run.frames, 83);
    EXPECT_EQ(clocks.at(82).first, 1.25f + 1.0f / 64.0f);
}

} // namespace
