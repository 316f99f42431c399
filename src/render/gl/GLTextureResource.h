// CGLTextureResource: a GL texture and, for render targets, the framebuffer that
// draws into it (the target's colour plus the renderer's shared depth/stencil).
// Sampled linear with clamped coordinates, Direct3D's default sampler. Decoding
// image files is not done here yet: Load fails and says so.
#pragma once
#include "render/TextureResource.h"

#include <epoxy/gl.h>

class CGLRenderer;

class CGLTextureResource : public CTextureResource {
public:
    CGLTextureResource(std::string name, CGLRenderer& renderer);
    ~CGLTextureResource() override;

    bool Load(const std::string& path) override;
    // An RGBA32F texture of that size, usable as target and for sampling.
    bool CreateRenderTarget(int width, int height) override;

    GLuint GetTexture() const { return m_Texture; }
    // 0 unless CreateRenderTarget succeeded.
    GLuint GetFramebuffer() const { return m_Framebuffer; }

protected:
    CGLRenderer& m_Renderer;
    GLuint m_Texture = 0;
    GLuint m_Framebuffer = 0;
};
