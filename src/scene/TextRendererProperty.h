// CTextRendererProperty: draws one UTF-8 text with a font. The platform-neutral
// form lets the font place it; back ends capture the node's world matrix instead.
#pragma once
#include "scene/Property.h"

class CFontResource;

class CTextRendererProperty : public CProperty {
public:
    CTextRendererProperty(CFontResource* font, std::string name, std::string text);

    bool Update(float dt) override;
    bool Render() override;

    const std::string& GetText() const { return m_Text; }
    CFontResource* GetFont() const { return m_pFont; }

protected:
    std::string m_Text;
    CFontResource* m_pFont;
};
