// Script batch, update and the fixed draw sequence of one frame.
#include "app/FrameLoop.h"

#include "app/DemoSystem.h"
#include "audio/AudioManager.h"
#include "render/Renderer.h"
#include "script/ScriptReader.h"

FrameResult RunFrame(CDemoSystem& demo, float dt)
{
    FrameResult result;
    bool update = true;
    if (demo.m_fGlobalTime >= demo.m_fDelayUntil && demo.m_pScript)
        update = demo.m_pScript->ReadCommands(&demo);
    CRenderer& renderer = *demo.m_pRenderer;
    if (update) {
        renderer.Update(dt);
        demo.m_fGlobalTime += dt;
        demo.m_fLocalTime += dt;
        result.updated = true;
    }
    // The music plays on while an unknown keyword holds the clocks, as it does on a
    // sound card, so a fixed-step run keeps the timing of a real-time one.
    if (demo.m_pAudio)
        demo.m_pAudio->AdvanceFrame(dt);
    result.ended = !demo.m_bRunning;
    renderer.BeginScene();
    renderer.Clear(0.0f, 0.0f, 0.0f);
    renderer.RenderScene();
    renderer.EndScene();
    renderer.Present();
    return result;
}
