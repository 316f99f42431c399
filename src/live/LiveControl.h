// CLiveControl: the author's controls over a production playing in a window:
// pause, seeks, restart, loop marks and looping, and the overlay switch. Seeks
// forward fast-forward; seeks back replay from the start (the production's
// state cannot run backwards). It neither reads keys nor draws: the window
// hands it keys, the frame loop asks it whether to run a frame.
#pragma once
#include "live/PlayerKey.h"

class CProductionSession;

class CLiveControl {
public:
    explicit CLiveControl(CProductionSession& session) : m_Session(session) {}

    void Press(PlayerKey key);

    // Looping between these from now on (--loop, or the [ and ] marks with L).
    void SetLoop(double from, double to);
    // Called after each frame: past the loop's end, back to its start.
    void AfterFrame();
    // Moves to this production time: forward by fast-forward, back by a replay.
    void SeekTo(double seconds);

    // A replay made a new demo system: it pauses as this one was.
    void Reapply() { ApplyPause(); }

    bool Paused() const { return m_bPaused; }
    bool Looping() const { return m_bLooping; }
    double LoopFrom() const { return m_fLoopFrom; }
    double LoopTo() const { return m_fLoopTo; }
    bool OverlayShown() const { return m_bOverlay; }
    // True once after each seek, restart or loop: the next frame time must not
    // count the time the jump took.
    bool TakeJumped();
    // True once after F12.
    bool TakeScreenshot();

private:
    double Now() const;
    void ApplyPause();

    CProductionSession& m_Session;
    bool m_bPaused = false;
    bool m_bLooping = false;
    bool m_bOverlay = false;
    bool m_bJumped = false;
    bool m_bScreenshot = false;
    double m_fLoopFrom = -1.0;
    double m_fLoopTo = -1.0;
};
