// CProductionSession: one production being played. It owns the demo system,
// made by a factory so that it can be made again (a replay from the start),
// counts frames, and fast-forwards: frames at the fixed step with no pixel work
// and no waiting, until a chosen frame. Frames whose effect targets a later
// frame reads are drawn on the way (off-screen). Which frames those are is
// learnt: a drawn frame that read a target a skipped frame wrote is replayed
// from the start with the frames it depends on drawn, so a fixed-step frame
// after a fast-forward is the frame of a run from the start, bit for bit.
// It neither paces frames nor knows about windows or files.
#pragma once
#include "app/FrameLoop.h"
#include "render/TargetHistory.h"

#include <functional>
#include <memory>
#include <set>

class CDemoSystem;

class CProductionSession {
public:
    // Makes and initialises a demo system; null when it cannot start.
    using Factory = std::function<std::unique_ptr<CDemoSystem>()>;

    // fps: the step of every fast-forward; fixedStep: the whole run uses it too,
    // so every drawn frame is checked and repaired, not only the first after a jump.
    CProductionSession(Factory factory, int fps, bool fixedStep);
    ~CProductionSession();
    CProductionSession(const CProductionSession&) = delete;
    CProductionSession& operator=(const CProductionSession&) = delete;

    // Makes the demo system; false when it could not start.
    bool Start();
    // False once a replay could not make the demo system again.
    bool HasDemo() const { return m_pDemo != nullptr; }
    CDemoSystem& Demo() const { return *m_pDemo; }
    // Index of the frame RunFrame runs next; frame N of a fixed-step run starts at N / fps.
    long NextFrame() const { return m_nNext; }
    int Fps() const { return m_nFps; }
    float StepSeconds() const { return 1.0f / static_cast<float>(m_nFps); }
    // The production ran "exitdemo" (a fast-forward stops there).
    bool Ended() const { return m_bEnded; }

    // Runs and draws the next frame with this frame time.
    FrameResult RunFrame(float dt);
    // Runs the next frame's script, clocks and music and draws nothing (a render of the music alone).
    FrameResult RunUndrawn(float dt);
    // Draws the present state again, running no script and moving no clock: a
    // held picture shows a reloaded asset.
    void Redraw();

    // Runs frames without showing them until the next frame is `frame`. False when
    // the production ended or the interrupt stopped it on the way.
    bool FastForwardTo(long frame);
    // The same until the global clock reaches `seconds`.
    bool FastForwardToTime(double seconds);
    // Makes the demo system again (from the files as they are now) and fast-forwards it.
    // The problems met are counted afresh; they are said again only when `report`
    // (the files changed), not for a replay of what was already played.
    bool ReplayTo(long frame, bool report = false);
    bool ReplayToTime(double seconds, bool report = false);

    // The production's files changed: frames learnt as needed may be needed no more.
    void ForgetNeeds();
    // Called before a replay drops the demo system, and with each new one it makes,
    // for outputs holding parts of the old one.
    void SetBeforeReplay(std::function<void()> beforeReplay) { m_BeforeReplay = std::move(beforeReplay); }
    void SetOnReplay(std::function<void(CDemoSystem&)> onReplay) { m_OnReplay = std::move(onReplay); }
    // Asked now and then during a fast-forward; true stops it (Ctrl-C, a closed window).
    void SetInterrupt(std::function<bool()> interrupt) { m_Interrupt = std::move(interrupt); }

    // Frames fast-forward drew so far, and replays made to repair a frame (for tests and benches).
    long FramesDrawnAhead() const { return m_nDrawnAhead; }
    int Repairs() const { return m_nRepairs; }

private:
    bool Rebuild();
    FrameResult Step(float dt, bool draw, bool show);
    // target: the frame done() waits for, where known (-1: not known ahead).
    bool Forward(const std::function<bool()>& done, long target = -1);

    Factory m_Factory;
    int m_nFps;
    bool m_bFixedStep;
    std::unique_ptr<CDemoSystem> m_pDemo;
    CTargetHistory m_History;
    std::set<long> m_Needed; // frames fast-forward draws
    long m_nNext = 0;
    bool m_bEnded = false;
    bool m_bJustForwarded = false;
    long m_nDrawnAhead = 0;
    int m_nRepairs = 0;
    std::function<void()> m_BeforeReplay;
    std::function<void(CDemoSystem&)> m_OnReplay;
    std::function<bool()> m_Interrupt;
};
