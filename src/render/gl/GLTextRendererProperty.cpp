// GL text renderer: world capture and the guarded draw.
#include "render/gl/GLTextRendererProperty.h"

#include "render/gl/GLRenderer.h"

CGLTextRendererProperty::CGLTextRendererProperty(CFontResource* font, std::string name, std::string text,
                                                 const CGLRenderer& renderer)
    : CTextRendererProperty(font, std::move(name), std::move(text)), m_Renderer(renderer)
{
}

bool CGLTextRendererProperty::Update(float /*dt*/)
{
    m_World = m_Renderer.GetMatrices().Top();
    return true;
}

bool CGLTextRendererProperty::Render()
{
    DrawTextSafely(m_World);
    return true;
}
