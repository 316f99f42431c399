// Device-less resources for the null renderer.
#include "render/NullRenderer.h"

#include "app/DemoSystem.h"
#include "assets/FilePath.h"
#include "render/FontResource.h"
#include "render/MaterialResource.h"
#include "render/ModelResource.h"
#include "render/PostProcessResource.h"
#include "render/TextureResource.h"
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"
#include "scene/TextRendererProperty.h"
#include "scene/Transform.h"

namespace {
class CNullPostProcess : public CPostProcessResource {
public:
    explicit CNullPostProcess(std::string name) : CPostProcessResource(std::move(name)) {}
    bool Create() override
    {
        m_pTarget = std::make_unique<CTextureResource>("postprocess_" + GetName() + "_texture");
        return true;
    }
};
} // namespace

bool CNullRenderer::Init()
{
    if (g_pDemoSystem && g_pDemoSystem->m_Parameters)
        m_Matrices.Register(*g_pDemoSystem->m_Parameters);
    if (g_pDemoSystem && g_pDemoSystem->m_nWidth > 0 && g_pDemoSystem->m_nHeight > 0)
        m_Matrices.SetInitial(g_pDemoSystem->m_nWidth, g_pDemoSystem->m_nHeight);
    return CRenderer::Init();
}

void CNullRenderer::Clear(float, float, float)
{
    const int w = g_pDemoSystem ? g_pDemoSystem->m_nWidth : 1;
    const int h = g_pDemoSystem ? g_pDemoSystem->m_nHeight : 1;
    m_Matrices.ResetForClear(w, h);
}

void CNullRenderer::EndScene()
{
    CRenderer::EndScene();
    const int w = g_pDemoSystem ? g_pDemoSystem->m_nWidth : 1;
    const int h = g_pDemoSystem ? g_pDemoSystem->m_nHeight : 1;
    m_Matrices.SetEndSceneProjection(w, h);
}

CTextureResource* CNullRenderer::CreateTexture(std::string name, std::string path)
{
    return Registered(new CTextureResource(name), FileExists(path));
}

CTextureResource* CNullRenderer::CreateDataTexture(std::string name, int width, int height)
{
    auto* texture = new CTextureResource(name);
    const bool created = texture->CreateFloatData(width, height);
    return Registered(texture, created);
}

CMaterialResource* CNullRenderer::CreateMaterial(std::string name, std::string path)
{
    return Registered(new CMaterialResource(name), FileExists(path));
}

CFontResource* CNullRenderer::CreateFont(std::string name, std::string path)
{
    return Registered(new CFontResource(name), FileExists(path));
}

CModelResource* CNullRenderer::CreateQuad(std::string name)
{
    return Registered(new CModelResource(name), true);
}

CModelResource* CNullRenderer::CreateModel(std::string name, std::string path)
{
    return Registered(new CModelResource(name), FileExists(path));
}

CTransform* CNullRenderer::CreateTransform()
{
    return new CMatrixTransform();
}

CPostProcessResource* CNullRenderer::CreatePostProcess(std::string name)
{
    auto* effect = new CNullPostProcess(name);
    return Registered(effect, effect->Create());
}

CTextRendererProperty* CNullRenderer::CreateTextRenderer(CFontResource* font, std::string name, std::string text)
{
    const bool isNew = g_pDemoSystem && g_pDemoSystem->m_Resources &&
                       !g_pDemoSystem->m_Resources->FindResource(name, RESOURCE_TEXTRENDERER);
    return Registered(new CTextRendererProperty(font, name, text), isNew);
}
