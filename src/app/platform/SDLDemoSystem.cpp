// Platform demo system: renderer and audio manager choice, shutdown order.
#include "app/platform/SDLDemoSystem.h"

#include "app/platform/PlatformContext.h"
#include "audio/AudioManager.h"
#include "render/gl/GLRenderer.h"

CSDLDemoSystem::CSDLDemoSystem(CPlatformContext* context, bool headless)
    : CDemoSystem(context ? context->NativeWindow() : nullptr), m_pContext(context), m_bHeadless(headless)
{
}

CSDLDemoSystem::~CSDLDemoSystem()
{
    Shutdown();
}

bool CSDLDemoSystem::Init(const std::string& scriptFile, int width, int height)
{
    // Music output is not built yet: productions play silent, and the music clock reads 0.
    (void)m_bHeadless;
    m_pAudio = std::make_unique<CNullAudioManager>();
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
