// Fast-forward (--start): a frame drawn after it is, bit for bit, the frame of a
// run from the start: with effects reading each other's targets across frames,
// keyframes, music waits, a music seek and the music's end. Frames before the
// start are never drawn, and only the frames a later one reads from are drawn ahead.
#include "ProductionRunner.h"
#include "app/platform/EglContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "live/ProductionSession.h"
#include "support/TempDir.h"
#include "unit/AudioTestFiles.h"

namespace {

struct SessionRun {
    std::map<long, Image> frames;
    long drawnAhead = 0;
    int repairs = 0;
};

// Plays a production headless at the fixed step through a session: fast-forward
// to `start`, then draw up to frame `last`, keeping every drawn frame.
SessionRun Play(const std::string& dir, int fps, long start, long last, int width = 64, int height = 36)
{
    SessionRun run;
    std::string error;
    auto context = CEglContext::Create(error);
    if (!context) {
        ADD_FAILURE() << error;
        return run;
    }
    ScopedChdir cd(dir);
    CProductionSession session(
        [&]() -> std::unique_ptr<CDemoSystem> {
            auto demo = std::make_unique<CSDLDemoSystem>(context.get(), true);
            if (!demo->Init("DemoScript.txt", width, height))
                return nullptr;
            return demo;
        },
        fps, true);
    if (!session.Start()) {
        ADD_FAILURE() << "the production did not start";
        return run;
    }
    if (start > 0)
        session.FastForwardTo(start);
    while (!session.Ended() && session.NextFrame() <= last) {
        session.RunFrame(session.StepSeconds());
        auto& renderer = static_cast<CGLRenderer&>(*session.Demo().m_pRenderer);
        Image& image = run.frames[session.NextFrame() - 1];
        image.width = renderer.Width();
        image.height = renderer.Height();
        renderer.ReadBackBuffer(image.rgb);
    }
    run.drawnAhead = session.FramesDrawnAhead();
    run.repairs = session.Repairs();
    return run;
}

// Frames start to start + count - 1 of a run from `start` against the run from 0.
::testing::AssertionResult SameFrames(const SessionRun& fromZero, const SessionRun& started, long start, long count)
{
    for (long f = start; f < start + count; ++f) {
        const auto a = fromZero.frames.find(f);
        const auto b = started.frames.find(f);
        if (a == fromZero.frames.end() || b == started.frames.end())
            return ::testing::AssertionFailure() << "frame " << f << " missing";
        if (a->second.rgb != b->second.rgb)
            return ::testing::AssertionFailure() << "frame " << f << " differs from the run from 0";
    }
    if (started.frames.begin()->first != start)
        return ::testing::AssertionFailure() << "the first frame drawn is " << started.frames.begin()->first;
    return ::testing::AssertionSuccess();
}

TEST(FastForward, EffectsReadingTargetsAcrossFrames)
{
    const std::string dir = ProductionDir("feedback");
    const SessionRun fromZero = Play(dir, 64, 0, 128);
    ASSERT_EQ(fromZero.frames.size(), 129u); // "exitdemo" on frame 128
    // The chain runs from frame 32 to 95; each of its frames reads the one before.
    ASSERT_NE(fromZero.frames.at(60).rgb, fromZero.frames.at(61).rgb);

    const SessionRun mid = Play(dir, 64, 60, 63);
    EXPECT_TRUE(SameFrames(fromZero, mid, 60, 4));
    // Frame 60 reads frame 59's, which reads 58's, back to the chain's first frame:
    // those 28 are drawn on the way (learnt by one replay), the 32 before are not.
    EXPECT_EQ(mid.drawnAhead, 28);
    EXPECT_EQ(mid.repairs, 1);

    // After the chain stopped nothing is read across frames: nothing drawn ahead.
    const SessionRun after = Play(dir, 64, 110, 112);
    EXPECT_TRUE(SameFrames(fromZero, after, 110, 3));
    EXPECT_EQ(after.drawnAhead, 0);
    EXPECT_EQ(after.repairs, 0);
}

// Four frames from each start, at 64 fps, against the run from 0; none drawn ahead.
void ExpectStartsAsFromZero(const std::string& dir, const SessionRun& fromZero, std::initializer_list<long> starts)
{
    for (long start : starts) {
        const SessionRun started = Play(dir, 64, start, start + 3);
        EXPECT_TRUE(SameFrames(fromZero, started, start, 4)) << "start " << start;
        EXPECT_EQ(started.drawnAhead, 0) << "start " << start;
    }
}

TEST(FastForward, KeyframesMusicWaitsSeeksTheMusicsEndAndItsSpectrum)
{
    TempDir scratch;
    const std::string dir = CopyProduction("startpoint", scratch.Path());
    // 4 s at 48 kHz: resampled, sought, and run past its end.
    ASSERT_TRUE(audiotest::WriteAudio(dir + "/Music.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 4 * 48000,
                                      audiotest::Sine(330.0, 48000.0, 0.3f)));
    const SessionRun fromZero = Play(dir, 64, 0, 200);
    ASSERT_GT(fromZero.frames.size(), 160u);
    // The last wait ends 0.25 s after the one before, because the music holds at its end.
    const auto& last = *fromZero.frames.rbegin();
    EXPECT_TRUE(Uniform(last.second, {0, 0, 0}));
    ExpectStartsAsFromZero(dir, fromZero, {10, 30, 70, 130, 143});

    // The music's spectrum and waveform look back 2048 samples, past the first frame drawn.
    const std::string inputs = CopyProduction("inputs", scratch.Path());
    ASSERT_TRUE(audiotest::WriteAudio(inputs + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, 2 * 44100,
                                      audiotest::Sine(1234.0, 44100.0, 0.5f)));
    ExpectStartsAsFromZero(inputs, Play(inputs, 64, 0, 90), {1, 40, 80});
}

TEST(FastForward, PlayerStartsAtTheFrameOfThatTimeAndNeverDrawsEarlierOnes)
{
    TempDir scratch;
    PlayerOptions options;
    options.headless = true;
    options.width = 64;
    options.height = 36;
    options.fps = 64;
    options.start = 0.5; // frame 32
    options.frames = 3;
    options.productionDir = ProductionDir("timeline");
    options.captures = {{31, (scratch.Path() / "early.png").string()}, {33, (scratch.Path() / "on.png").string()}};
    std::vector<long> seen;
    std::string reports;
    diag::SetSink([&](const std::string& line) { reports += line + "\n"; });
    const auto cwd = std::filesystem::current_path();
    const int status = PlayProduction(options, [&](long frame, CDemoSystem&) { seen.push_back(frame); });
    std::filesystem::current_path(cwd);
    diag::SetSink({});
    EXPECT_EQ(status, 1); // frame 31 was never drawn
    EXPECT_EQ(seen, (std::vector<long>{32, 33, 34}));
    EXPECT_FALSE(std::filesystem::exists(scratch.Path() / "early.png"));
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / "on.png"));
}

#ifdef ML_SHOWCASE_DIR
TEST(FastForward, ShowcaseAtFortySeconds)
{
    // 10 frames a second keeps the run from 0 short; frame 400 is 40 s.
    const SessionRun fromZero = Play(ML_SHOWCASE_DIR, 10, 0, 402, 48, 27);
    const SessionRun started = Play(ML_SHOWCASE_DIR, 10, 400, 402, 48, 27);
    EXPECT_TRUE(SameFrames(fromZero, started, 400, 3));
    EXPECT_EQ(started.drawnAhead, 0);
}
#endif

} // namespace
