// The player's frame loop around RunFrame, with the null renderer: clocks,
// limits, the production ending itself, and quit messages.
#include "app/DemoSystem.h"
#include "app/FrameClock.h"
#include "app/PlayerLoop.h"
#include "app/FrameLoop.h"
#include "audio/AudioManager.h"
#include "live/ProductionSession.h"
#include "render/NullRenderer.h"
#include "render/Renderer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class CountingHost : public IFrameHost {
public:
    bool PumpMessages() override { return ++pumps != quitOnPump; }
    void FrameDrawn(long index, const FrameResult& frame) override
    {
        drawn.push_back(index);
        updated.push_back(frame.updated);
    }
    bool ShouldStop() override { return stopAfter >= 0 && static_cast<long>(drawn.size()) > stopAfter; }
    int pumps = 0;
    int quitOnPump = 0; // 0: never
    long stopAfter = -1; // frames after which the host asks to stop; -1: never
    std::vector<long> drawn;
    std::vector<bool> updated;
};

// Music that plays exactly as far as the fixed-step loop tells it to.
class SteppedMusic : public CNullAudioManager {
public:
    float GetPosition() override { return static_cast<float>(played); }
    void AdvanceFrame(float dt) override { played += static_cast<double>(dt); }
    double played = 0.0;
};

class PlayerLoop : public ::testing::Test {
protected:
    void Start(const std::string& script)
    {
        dir.Write("DemoScript.txt", script);
        session = std::make_unique<CProductionSession>(
            []() -> std::unique_ptr<CDemoSystem> {
                auto made = std::make_unique<CNullDemoSystem>();
                if (!made->Init("DemoScript.txt", 64, 36))
                    return nullptr;
                return made;
            },
            64, true);
        ASSERT_TRUE(session->Start());
        demo = &session->Demo();
    }
    void TearDown() override { session.reset(); }

    TempDir dir;
    ScopedChdir cd{dir.Path()};
    std::unique_ptr<CProductionSession> session;
    CDemoSystem* demo = nullptr;
    CountingHost host;
};

TEST(FrameClock, FixedStepIsExactAndRealTimeMeasures)
{
    CFrameClock fixed = CFrameClock::FixedStep(64);
    fixed.Start();
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(fixed.Next(), 1.0f / 64.0f);
    EXPECT_EQ(fixed.Elapsed(), 100.0 / 64.0);
    EXPECT_TRUE(fixed.IsFixed());
    EXPECT_EQ(CFrameClock::FixedStep(0).Next(), 1.0f / 60.0f); // the headless default

    CFrameClock real = CFrameClock::RealTime();
    EXPECT_FALSE(real.IsFixed());
    real.Start();
    const float dt = real.Next();
    EXPECT_GE(dt, 0.0f);
    EXPECT_LT(dt, 1.0f);
    EXPECT_DOUBLE_EQ(real.Elapsed(), dt);
}

TEST_F(PlayerLoop, FrameAndDurationLimits)
{
    Start("");
    CFrameClock clock = CFrameClock::FixedStep(64);
    LoopLimits limits;
    limits.maxFrames = 5;
    LoopResult r = RunFrameLoop(*session, clock, host, limits);
    EXPECT_EQ(r.frames, 5);
    EXPECT_FALSE(r.quit || r.ended);
    EXPECT_EQ(host.drawn, (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(demo->m_fGlobalTime, 5.0f / 64.0f);

    // A duration counts the clock's time: half a second is 32 frames of 1/64 s.
    limits = {};
    limits.maxSeconds = 0.5;
    r = RunFrameLoop(*session, clock, host, limits);
    EXPECT_EQ(r.frames, 32);
    // Zero of either runs nothing.
    limits = {};
    limits.maxFrames = 0;
    EXPECT_EQ(RunFrameLoop(*session, clock, host, limits).frames, 0);
    limits = {};
    limits.maxSeconds = 0.0;
    EXPECT_EQ(RunFrameLoop(*session, clock, host, limits).frames, 0);
}

TEST_F(PlayerLoop, ExitDemoFinishesItsFrameAndQuitEndsBeforeOne)
{
    Start("delayuntil delay 0.25\nfadeup 0\nexitdemo\nfadedown 0\n");
    CFrameClock clock = CFrameClock::FixedStep(64);
    LoopResult r = RunFrameLoop(*session, clock, host, {});
    // exitdemo on frame 16: the fade it follows and the update of that frame happen, then the loop ends.
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.frames, 17);
    EXPECT_EQ(demo->m_fGlobalTime, 17.0f / 64.0f);
    EXPECT_EQ(demo->m_pRenderer->GetFadeValue(), 1.0f);

    // A quit message taken by the third pump: two frames drawn, the third never runs.
    Start("");
    CountingHost quitting;
    quitting.quitOnPump = 3;
    r = RunFrameLoop(*session, clock, quitting, {});
    EXPECT_TRUE(r.quit);
    EXPECT_EQ(r.frames, 2);
    EXPECT_EQ(demo->m_fGlobalTime, 2.0f / 64.0f);
}

TEST_F(PlayerLoop, HostStopsAndTheScriptEndStopsWhenAsked)
{
    // Frame 1 reads the unknown keyword: drawn, but without update; the music plays
    // on through it, as it would on a sound card.
    Start("delayuntil delay 0\nbogus\ndelayuntil delay 0.25\n");
    auto music = std::make_unique<SteppedMusic>();
    const SteppedMusic& played = *music;
    demo->m_pAudio = std::move(music);
    CFrameClock clock = CFrameClock::FixedStep(64);
    host.stopAfter = 3;
    LoopResult r = RunFrameLoop(*session, clock, host, {});
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.ended || r.quit || r.scriptEnded);
    EXPECT_EQ(r.frames, 4);
    EXPECT_EQ(host.updated, (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(demo->m_fGlobalTime, 3.0f / 64.0f);
    EXPECT_DOUBLE_EQ(played.played, 4.0 / 64.0);

    // The delay runs out at 17/64 s (read on frame 2, at 1/64 s): the clock stands at
    // 3/64 s, so the end of the script is read on the 15th frame, drawn, and the loop ends.
    host = CountingHost();
    LoopLimits limits;
    limits.stopAtScriptEnd = true;
    r = RunFrameLoop(*session, clock, host, limits);
    EXPECT_TRUE(r.scriptEnded);
    EXPECT_EQ(r.frames, 15);
    // Without the flag a script that has ended keeps drawing.
    r = RunFrameLoop(*session, clock, host, LoopLimits{5, -1.0, false});
    EXPECT_EQ(r.frames, 5);
    EXPECT_FALSE(r.scriptEnded);
}

TEST_F(PlayerLoop, StartFrameFastForwardsAndFramesKeepTheirNumbers)
{
    const std::string script = "fadeup 0.5\ndelayuntil delay 0.25\nbogus\nresetlocaltime\n"
                               "delayuntil local 0.1\nfadedown 1\ndelayuntil delay 0.5\nexitdemo\n";
    CFrameClock clock = CFrameClock::FixedStep(64);
    LoopLimits limits;
    limits.maxFrames = 40;
    Start(script);
    RunFrameLoop(*session, clock, host, limits);
    const float global = demo->m_fGlobalTime, local = demo->m_fLocalTime, delay = demo->m_fDelayUntil;
    const float fade = demo->m_pRenderer->GetFadeValue();

    // From frame 30 on: the host sees frames 30 to 39, the limit counts from there,
    // and the state after them is the state of the run from 0.
    Start(script);
    host = CountingHost();
    limits.startFrame = 30;
    limits.maxFrames = 10;
    const LoopResult r = RunFrameLoop(*session, clock, host, limits);
    EXPECT_EQ(r.frames, 10);
    EXPECT_EQ(host.drawn.front(), 30);
    EXPECT_EQ(host.drawn.back(), 39);
    EXPECT_EQ(demo->m_fGlobalTime, global);
    EXPECT_EQ(demo->m_fLocalTime, local);
    EXPECT_EQ(demo->m_fDelayUntil, delay);
    EXPECT_EQ(demo->m_pRenderer->GetFadeValue(), fade);

    // "exitdemo" before the start frame ends the run with nothing shown.
    Start(script);
    host = CountingHost();
    limits.startFrame = 1000;
    const LoopResult ended = RunFrameLoop(*session, clock, host, limits);
    EXPECT_TRUE(ended.ended);
    EXPECT_EQ(ended.frames, 0);
    EXPECT_TRUE(host.drawn.empty());
}

} // namespace

namespace {

// The first frame's update walk sees the camera every later update sees: the
// fixed View and the Projection a finished frame leaves (near plane 0.01).
TEST(RendererMatrices, BeforeTheFirstFrameAsAfterAnyFrame)
{
    TempDir dir;
    ScopedChdir cd(dir.Path());
    auto* demo = new CNullDemoSystem();
    ASSERT_TRUE(demo->Init("DemoScript.txt", 64, 36));
    const auto& m = static_cast<CNullRenderer&>(*demo->m_pRenderer).GetMatrices();
    const Matrix4 initialView = m.View();
    const Matrix4 initialProjection = m.Projection();
    EXPECT_EQ(m.World(), Matrix4::Identity());
    EXPECT_FLOAT_EQ(initialProjection.m[0][0], 0.5625f);
    EXPECT_FLOAT_EQ(initialProjection.m[2][3], -100.0f / 99.99f * 0.01f); // transposed: row 3, column 2
    EXPECT_FLOAT_EQ(initialView.m[2][3], 1.0f);
    RunFrame(*demo, 1.0f / 64.0f);
    EXPECT_EQ(m.View(), initialView);
    EXPECT_EQ(m.Projection(), initialProjection);
    delete demo;
}

} // namespace
