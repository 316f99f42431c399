// CGLTextRendererProperty: the text renderer on GL. Its update stage captures
// the node's world matrix (the top of the renderer's matrix stack, just pushed
// by the node); its render stage has the font draw the text centred on the
// screen point of that matrix's translation. A text the font cannot draw is
// skipped for the frame and reported once. The font's Update is never called.
#pragma once
#include "render/Math.h"
#include "scene/TextRendererProperty.h"

class CGLRenderer;

class CGLTextRendererProperty : public CTextRendererProperty {
public:
    CGLTextRendererProperty(CFontResource* font, std::string name, std::string text, const CGLRenderer& renderer);

    bool Update(float dt) override;
    bool Render() override;

    const Matrix4& GetWorld() const { return m_World; }

private:
    const CGLRenderer& m_Renderer;
    Matrix4 m_World = Matrix4::Identity(); // untransposed, row-vector form
};
