// Platform demo system: renderer and audio manager choice, shutdown order.
#include "app/platform/SDLDemoSystem.h"

#include "app/platform/PlatformContext.h"
#include "audio/sdl/SDLAudioManager.h"
#include "render/gl/GLRenderer.h"

CSDLDemoSystem::CSDLDemoSystem(CPlatformContext* context, bool fixedStep)
    : CDemoSystem(context ? context->NativeWindow() : nullptr), m_pContext(context), m_bFixedStep(fixedStep)
{
}

CSDLDemoSystem::~CSDLDemoSystem()
{
    Shutdown();
}

bool CSDLDemoSystem::Init(const std::string& scriptFile, int width, int height)
{
    // With a fixed step the music is mixed frame by frame with the picture, never drifting;
    // in real time it plays on the sound card (silently, in time, when there is none).
    m_pAudio = CreateAudioManager(m_bFixedStep ? AudioOutput::Pulled : AudioOutput::Device);
    m_pRenderer = std::make_unique<CGLRenderer>(m_pContext);
    return CDemoSystem::Init(scriptFile, width, height);
}

bool CSDLDemoSystem::Shutdown()
{
    // Audio first (it releases the output), then the renderer; the base then
    // releases the registry, the script and the resources, with the context still current.
    m_pAudio.reset();
    m_pRenderer.reset();
    return CDemoSystem::Shutdown();
}
