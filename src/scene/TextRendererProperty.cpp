// Neutral text renderer: forwards to the font.
#include "scene/TextRendererProperty.h"

#include "render/FontResource.h"

CTextRendererProperty::CTextRendererProperty(CFontResource* font, std::string name, std::string text)
    : CProperty(RESOURCE_TEXTRENDERER, std::move(name)), m_Text(std::move(text)), m_pFont(font)
{
}

bool CTextRendererProperty::Update(float dt)
{
    if (m_pFont)
        m_pFont->Update(dt);
    return true;
}

bool CTextRendererProperty::Render()
{
    if (m_pFont)
        m_pFont->DrawText(m_Text);
    return true;
}
