// The player's frame loop: messages, the frame time, one RunFrame, and the
// limits of the command line. The frame itself (script, update, drawing) is
// RunFrame's; window events and what happens to a drawn frame are the host's.
#pragma once
#include "app/FrameLoop.h"

class CDemoSystem;
class CFrameClock;

// What the loop needs from the platform around each frame.
class IFrameHost {
public:
    virtual ~IFrameHost() = default;
    // Takes every queued message; false when a quit arrived, which ends the loop
    // before anything else of this frame runs.
    virtual bool PumpMessages() { return true; }
    // The frame of this index (0-based) has been drawn and presented; frame.updated
    // is false when an unknown keyword held the clocks still (the music played on).
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
};

struct LoopResult {
    long frames = 0;            // frames drawn
    bool quit = false;          // a quit message ended it
    bool ended = false;         // the production ended itself ("exitdemo")
    bool scriptEnded = false;   // stopAtScriptEnd ended it
    bool stopped = false;       // the host asked to stop
};

// Starts the clock and runs frames until the production ends, a quit arrives or a limit is reached.
LoopResult RunFrameLoop(CDemoSystem& demo, CFrameClock& clock, IFrameHost& host, const LoopLimits& limits);
