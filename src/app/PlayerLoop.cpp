// Frame loop around RunFrame.
#include "app/PlayerLoop.h"

#include "app/FrameClock.h"
#include "app/DemoSystem.h"
#include "app/FrameLoop.h"
#include "script/ScriptReader.h"

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
        host.FrameDrawn(result.frames, frame);
        ++result.frames;
        if (frame.ended) {
            result.ended = true;
            break;
        }
        if (host.ShouldStop()) {
            result.stopped = true;
            break;
        }
        if (limits.stopAtScriptEnd && (!demo.m_pScript || demo.m_pScript->GetDepth() < 0)) {
            result.scriptEnded = true;
            break;
        }
    }
    return result;
}
