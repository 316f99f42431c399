// Renderer core: root and fade pass creation, the fade, the walks and the
// composition of the post-process chain.
#include "render/Renderer.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "render/MaterialResource.h"
#include "render/PostProcessResource.h"
#include "render/TextureResource.h"
#include "scene/NodeResource.h"
#include "scene/ParameterTable.h"
#include "scene/PublishedParameters.h"
#include "scene/ResourceRegistry.h"

#include <algorithm>

CRenderer::~CRenderer() = default;

void CRenderer::AdoptAndRegister(CResource* object, bool registerIt)
{
    if (!object || !g_pDemoSystem)
        return;
    g_pDemoSystem->Adopt(object);
    if (registerIt && g_pDemoSystem->m_Resources && !g_pDemoSystem->m_Resources->AddResource(object))
        ReportDuplicate(*object);
}

void CRenderer::ReportDuplicate(const CResource& object)
{
    diag::Report(std::string("a ") + ResourceKindName(object.GetKind()) + " named '" + object.GetName() +
                 "' exists already; the new one cannot be found by name");
}

bool CRenderer::Init()
{
    m_pRoot = CreateNode("Root");
    m_pFadeEffect = CreatePostProcess("GLOBAL_FADE");
    m_pFadeMaterial = CreateMaterial("GLOBAL_FADE_MATERIAL", kFaderMaterialPath);
    if (m_pFadeEffect) {
        m_pFadeEffect->SetMaterial(m_pFadeMaterial);
        if (m_pFadeMaterial)
            m_pFadeMaterial->SetTexture("rendertarget", m_pFadeEffect->GetTarget());
    }
    if (g_pDemoSystem && g_pDemoSystem->m_Parameters)
        g_pDemoSystem->m_Parameters->RegisterParameter(&m_fFadeValue, kFadeValueParameter.size, kFadeValueParameter.name);
    return true;
}

void CRenderer::Update(float dt)
{
    if (m_fFadeTimeLeft > 0.0f) {
        m_fFadeValue += m_fFadeRate * dt;
        m_fFadeTimeLeft -= dt;
        if (m_fFadeTimeLeft < 0.0f)
            m_fFadeValue = m_fFadeTarget;
    }
    if (m_pRoot)
        m_pRoot->Update(dt);
}

void CRenderer::RenderScene()
{
    if (m_pRoot)
        m_pRoot->Render();
}

CNodeResource* CRenderer::CreateNode(std::string name)
{
    auto* node = new CNodeResource(name, CreateTransform(), this);
    const bool isNew = !g_pDemoSystem || !g_pDemoSystem->m_Resources ||
                       !g_pDemoSystem->m_Resources->FindResource(name, RESOURCE_NODE);
    if (!isNew)
        ReportDuplicate(*node);
    return Registered(node, isNew);
}

void CRenderer::BeginScene()
{
    CPostProcessResource* first = m_PostProcesses.empty() ? m_pFadeEffect : m_PostProcesses.front();
    if (first)
        first->BindAsTarget();
}

void CRenderer::BindStageTarget(CPostProcessResource& target, CPostProcessResource& /*pass*/)
{
    target.BindAsTarget();
}

void CRenderer::EndScene()
{
    for (size_t i = 0; i < m_PostProcesses.size(); ++i) {
        CPostProcessResource* next = i + 1 < m_PostProcesses.size() ? m_PostProcesses[i + 1] : m_pFadeEffect;
        if (next)
            BindStageTarget(*next, *m_PostProcesses[i]);
        m_PostProcesses[i]->Render();
    }
    SetBackBufferTarget();
    if (m_pFadeEffect)
        m_pFadeEffect->Render();
}

CNodeResource* CRenderer::FindNode(std::string path)
{
    if (path.empty() || !m_pRoot)
        return nullptr;
    if (path.front() == '\\')
        path = "root" + path;
    return m_pRoot->FindByPath(path);
}

namespace {
CPostProcessResource* FindEffect(const std::string& name)
{
    if (!g_pDemoSystem || !g_pDemoSystem->m_Resources)
        return nullptr;
    return static_cast<CPostProcessResource*>(g_pDemoSystem->m_Resources->FindResource(name, RESOURCE_POSTPROCESS));
}
} // namespace

void CRenderer::AddPostProcess(std::string name)
{
    if (CPostProcessResource* effect = FindEffect(name))
        m_PostProcesses.push_back(effect);
}

void CRenderer::RemovePostProcess(std::string name)
{
    if (CPostProcessResource* effect = FindEffect(name))
        std::erase(m_PostProcesses, effect);
}

void CRenderer::StartFade(float target, float duration)
{
    if (duration <= 0.0f) {
        m_fFadeValue = target;
        return;
    }
    m_fFadeTimeLeft = duration;
    m_fFadeTarget = target;
    m_fFadeRate = (target - m_fFadeValue) / duration;
}
