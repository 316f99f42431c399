// Neutral text renderer: forwards to the font.
#include "scene/TextRendererProperty.h"

#include "app/Diagnostics.h"
#include "render/FontResource.h"

#include <exception>

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

void CTextRendererProperty::DrawTextSafely(const Matrix4& world)
{
    if (!m_pFont)
        return;
    try {
        m_pFont->DrawTextAt(m_Text, world);
    } catch (const std::exception& e) {
        if (!m_bDrawFailureReported) {
            m_bDrawFailureReported = true;
            diag::Report("text \"" + GetName() + "\" not drawn with font \"" + m_pFont->GetName() + "\": " + e.what());
        }
    }
}
