// The GL font: the renderer's sprite context, and its states put back after text.
#include "render/gl/GLFontResource.h"

#include "render/gl/GLRenderer.h"

CGLFontResource::CGLFontResource(std::string name, CGLRenderer& renderer)
    : CSpriteFontResource(std::move(name), renderer.GetSpriteContext()), m_Renderer(renderer)
{
}

void CGLFontResource::RestoreRendererStates()
{
    // The very structs Init binds, so the two can never differ.
    m_Renderer.BindDefaultStates();
}
