// Frame loop around RunFrame.
#include "app/PlayerLoop.h"

#include "app/FrameClock.h"
#include "app/DemoSystem.h"
#include "app/FrameLoop.h"
#include "live/ProductionSession.h"
#include "script/ScriptReader.h"

LoopResult RunFrameLoop(CProductionSession& session, CFrameClock& clock, IFrameHost& host, const LoopLimits& limits)
{
    LoopResult result;
    if (limits.startFrame > 0 && !session.FastForwardTo(limits.startFrame)) {
        // "exitdemo" before the start: nothing is shown; otherwise interrupted.
        result.ended = session.Ended();
        result.stopped = !result.ended;
        return result;
    }
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
        const FrameGate gate = host.BeforeFrame();
        if (gate != FrameGate::Run)
            clock.Resync();
        if (gate == FrameGate::Hold)
            continue;
        // A jump made between frames may have run into "exitdemo", or found no demo to make.
        if (session.Ended() || !session.HasDemo()) {
            result.ended = true;
            break;
        }
        const FrameResult frame = session.RunFrame(clock.Next());
        host.FrameDrawn(session.NextFrame() - 1, frame);
        ++result.frames;
        if (frame.ended) {
            result.ended = true;
            break;
        }
        if (host.ShouldStop()) {
            result.stopped = true;
            break;
        }
        CDemoSystem& demo = session.Demo();
        if (limits.stopAtScriptEnd && (!demo.m_pScript || demo.m_pScript->GetDepth() < 0)) {
            result.scriptEnded = true;
            break;
        }
    }
    return result;
}
