// CGLPostProcessResource: a full-screen effect on GL: its own RGBA32F target
// (named "postprocess_<name>_texture", never registered) and the quad buffers.
// The chain order is the renderer core's; the material is set by its creator.
#pragma once
#include "render/PostProcessResource.h"

#include <epoxy/gl.h>

class CGLRenderer;

class CGLPostProcessResource : public CPostProcessResource {
public:
    CGLPostProcessResource(std::string name, CGLRenderer& renderer);
    ~CGLPostProcessResource() override;

    // Makes the target (its failure is reported, not returned) and the quad buffers.
    bool Create() override;
    void Destroy() override;
    // Binds the target with the shared depth buffer; clears it to opaque black and depth to 1.
    void BindAsTarget() override;
    // Binds the target for a pass of the chain; clears only its colour, and that
    // only when asked (passes never use depth).
    void BindForPass(bool clearColour);
    // Updates and applies the material, then draws the quad into whatever is bound.
    void Render() override;
    // This effect's pass writes every pixel of the bound target with alpha 1.
    bool OverwritesTarget() const;

private:
    CGLRenderer& m_Renderer;
    GLuint m_VertexBuffer = 0;
    GLuint m_IndexBuffer = 0;
};
