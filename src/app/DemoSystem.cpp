// Demo system construction, start-up order and shutdown.
#include "app/DemoSystem.h"

#include "audio/AudioManager.h"
#include "render/NullRenderer.h"
#include "render/Renderer.h"
#include "scene/ParameterTable.h"
#include "scene/PublishedParameters.h"
#include "scene/ResourceRegistry.h"
#include "script/DemoCommands.h"
#include "script/ScriptReader.h"

#include <cstdio>

CDemoSystem* g_pDemoSystem = nullptr;

CDemoSystem::CDemoSystem(void* window) : m_hWindow(window)
{
    // One demo system at a time: a new one replaces the old.
    CDemoSystem* previous = g_pDemoSystem;
    g_pDemoSystem = nullptr;
    delete previous;
    g_pDemoSystem = this;
}

CDemoSystem::~CDemoSystem()
{
    Shutdown();
    if (g_pDemoSystem == this)
        g_pDemoSystem = nullptr;
}

bool CDemoSystem::Init(const std::string& scriptFile, int width, int height)
{
    m_nWidth = width;
    m_nHeight = height;
    m_Resources = std::make_unique<CResourceRegistry>();
    m_Parameters = std::make_unique<CParameterTable>();
    if (!m_pAudio || !m_pAudio->Init())
        return false;
    if (!m_pRenderer || !m_pRenderer->Init())
        return false;
    m_pScript = std::make_unique<CScriptReader>(scriptFile, kDemoCommands, kDemoCommandCount);
    m_Parameters->RegisterParameter(&m_fGlobalTime, kGlobalTimeParameter.size, kGlobalTimeParameter.name);
    return true;
}

bool CDemoSystem::Shutdown()
{
    if (m_pRenderer)
        m_pRenderer->Shutdown();
    if (m_pAudio)
        m_pAudio->Shutdown();
    m_Resources.reset();
    m_pScript.reset();
    // Resources go after the devices that made them have shut down; newest first,
    // so nothing outlives what it was made from.
    while (!m_Owned.empty())
        m_Owned.pop_back();
    return true;
}

void CDemoSystem::DebugPrint(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
}

void CDemoSystem::Adopt(CResource* resource)
{
    if (resource)
        m_Owned.emplace_back(resource);
}

bool CNullDemoSystem::Init(const std::string& scriptFile, int width, int height)
{
    m_pAudio = std::make_unique<CNullAudioManager>();
    m_pRenderer = std::make_unique<CNullRenderer>();
    return CDemoSystem::Init(scriptFile, width, height);
}
