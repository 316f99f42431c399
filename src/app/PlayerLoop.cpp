// Frame loop around RunFrame.
#include "app/PlayerLoop.h"

#include "app/FrameClock.h"
#include "app/FrameLoop.h"

LoopResult RunFrameLoop(CDemoSystem& demo, CFrameClock& clock, IFrameHost& host, const LoopLimits& limits)
{
    LoopResult result;
    clock.Start();
    for (;;) {
        if (limits.maxFrames >= 0 && result.frames >= limits.maxFrames)
            break;
        if (limits.maxSeconds >= 0.0 && clock.Elapsed() >= limits.maxSeconds)
            break;
        if (!host.PumpMessages()) {
            result.quit = true;
            break;
        }
        const FrameResult frame = RunFrame(demo, clock.Next());
        host.FrameDrawn(result.frames);
        ++result.frames;
        if (frame.ended) {
            result.ended = true;
            break;
        }
    }
    return result;
}
