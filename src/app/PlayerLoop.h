// The player's frame loop: messages, the frame time, one frame of the session,
// and the limits of the command line. The frame itself (script, update,
// drawing) is RunFrame's; fast-forward and replays are the session's; window
// events and what happens to a drawn frame are the host's.
#pragma once
#include "app/FrameLoop.h"

class CFrameClock;
class CProductionSession;

// Whether the next frame runs: yes; yes, after a jump whose time is no frame's;
// or not now (paused: the host waits a little and the picture is held).
enum class FrameGate { Run, RunAfterJump, Hold };

// What the loop needs from the platform around each frame.
class IFrameHost {
public:
    virtual ~IFrameHost() = default;
    // Takes every queued message; false when a quit arrived, which ends the loop
    // before anything else of this frame runs.
    virtual bool PumpMessages() { return true; }
    // Asked after the messages, before each frame.
    virtual FrameGate BeforeFrame() { return FrameGate::Run; }
    // The frame of this index (0-based, from the production's start) has been drawn and
    // presented; frame.updated is false when an unknown keyword held the clocks still
    // (the music played on).
    virtual void FrameDrawn(long /*index*/, const FrameResult& /*frame*/) {}
    // Asked after each drawn frame; true ends the loop (a failed output, an interrupt).
    virtual bool ShouldStop() { return false; }
};

struct LoopLimits {
    long maxFrames = -1;      // stop after this many frames; < 0: no limit
    double maxSeconds = -1.0; // stop once the clock has run this long; < 0: no limit
    // Stop once the script has been read to its end, even without "exitdemo": an
    // unbounded render would otherwise repeat the last picture forever.
    bool stopAtScriptEnd = false;
    // Frames before this one are fast-forwarded: run at the fixed step, not shown.
    // The host sees frames from this one on, by their own index; the limits above
    // count from here.
    long startFrame = 0;
};

struct LoopResult {
    long frames = 0;            // frames drawn
    bool quit = false;          // a quit message ended it
    bool ended = false;         // the production ended itself ("exitdemo")
    bool scriptEnded = false;   // stopAtScriptEnd ended it
    bool stopped = false;       // the host asked to stop
};

// Fast-forwards to the start frame, starts the clock and runs frames until the
// production ends, a quit arrives or a limit is reached.
LoopResult RunFrameLoop(CProductionSession& session, CFrameClock& clock, IFrameHost& host, const LoopLimits& limits);
