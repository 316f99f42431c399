// CGLFontResource: a sprite font drawn through the GL renderer's sprite context.
// After each text it puts back the renderer's own depth-stencil (stencil
// reference 1), rasterizer and blend (sample mask all) states, which the batch
// replaced; nothing else (program, vertex array, sampler stay as the batch left them).
#pragma once
#include "assets/sprite/SpriteFontResource.h"

class CGLRenderer;

class CGLFontResource : public CSpriteFontResource {
public:
    CGLFontResource(std::string name, CGLRenderer& renderer);

protected:
    void RestoreRendererStates() override;

private:
    CGLRenderer& m_Renderer;
};
