// CGLTextureResource: a GL texture and, for render targets, the framebuffer that
// draws into it (the target's colour plus the renderer's shared depth/stencil).
// Sampled linear with clamped coordinates, Direct3D's default sampler. Image
// textures keep Direct3D's orientation (row 0 is the top row, no flip) and get
// their format through the one DXGI-to-GL table. Decoding is not done here.
#pragma once
#include "render/DxgiFormat.h"
#include "render/TextureResource.h"

#include <epoxy/gl.h>

class CGLRenderer;

class CGLTextureResource : public CTextureResource {
public:
    CGLTextureResource(std::string name, CGLRenderer& renderer);
    ~CGLTextureResource() override;

    // Decodes the image file and uploads it as one mip level; false (and a
    // report) when the file cannot be decoded or its format cannot be made.
    bool Load(const std::string& path) override;
    // An RGBA32F texture of that size, usable as target and for sampling.
    bool CreateRenderTarget(int width, int height) override;

    GLuint GetTexture() const { return m_Texture; }
    // 0 unless CreateRenderTarget succeeded.
    GLuint GetFramebuffer() const { return m_Framebuffer; }
    // The format an image load chose; UNKNOWN for render targets and failures.
    DxgiFormat GetFormat() const { return m_Format; }

    bool Reload() override;

protected:
    CGLRenderer& m_Renderer;
    GLuint m_Texture = 0;
    GLuint m_Framebuffer = 0;
    DxgiFormat m_Format = DxgiFormat::UNKNOWN;
};
