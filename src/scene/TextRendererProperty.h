// CTextRendererProperty: draws one UTF-8 text with a font. The platform-neutral
// form lets the font place it; back ends capture the node's world matrix instead.
#pragma once
#include "render/Math.h"
#include "scene/Property.h"

class CFontResource;

// Pages of text, far more than one screen shows; a longer text is not attached.
inline constexpr size_t kMaxTextBytes = 16384;

class CTextRendererProperty : public CProperty {
public:
    CTextRendererProperty(CFontResource* font, std::string name, std::string text);

    bool Update(float dt) override;
    bool Render() override;

    const std::string& GetText() const { return m_Text; }
    // The text was found undrawable when it was attached, and said so then: not again.
    void MarkFailureReported() { m_bDrawFailureReported = true; }
    CFontResource* GetFont() const { return m_pFont; }

protected:
    // Has the font draw the text at world. A text the font cannot draw (invalid
    // UTF-8, a character the font lacks) is skipped for this frame; why is
    // reported once for this renderer, not every frame. Never raises.
    void DrawTextSafely(const Matrix4& world);

    std::string m_Text;
    CFontResource* m_pFont;

private:
    bool m_bDrawFailureReported = false;
};
