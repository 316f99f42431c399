// CGLSpriteDevice: the sprite path's device on OpenGL. It makes sheet textures
// through the one DXGI->GL format table, and the pipeline objects every batch on
// the renderer shares: its own GLSL shaders, a vertex array in the ModelVertex
// layout with the static index buffer, and the default linear clamped sampler.
// It draws nothing (CGLSpriteContext does). What it makes holds GL names only,
// so it may outlive the device object, but must be destroyed while the GL
// context is still current.
#pragma once
#include "assets/sprite/SpriteBackend.h"

#include <epoxy/gl.h>

// An immutable sheet texture, one mip level, sampled linear and clamped.
class CGLSpriteTexture : public DirectX::ISpriteTexture {
public:
    CGLSpriteTexture(GLuint texture, uint32_t width, uint32_t height)
        : m_Texture(texture), m_nWidth(width), m_nHeight(height)
    {
    }
    ~CGLSpriteTexture() override;
    CGLSpriteTexture(const CGLSpriteTexture&) = delete;
    CGLSpriteTexture& operator=(const CGLSpriteTexture&) = delete;

    uint32_t Width() const override { return m_nWidth; }
    uint32_t Height() const override { return m_nHeight; }
    GLuint GetTexture() const { return m_Texture; }

private:
    GLuint m_Texture;
    uint32_t m_nWidth;
    uint32_t m_nHeight;
};

// The shared pipeline objects of one device.
class CGLSpriteObjects : public DirectX::ISpriteDeviceObjects {
public:
    CGLSpriteObjects() = default;
    ~CGLSpriteObjects() override;
    CGLSpriteObjects(const CGLSpriteObjects&) = delete;
    CGLSpriteObjects& operator=(const CGLSpriteObjects&) = delete;

    GLuint program = 0;
    GLuint vertexArray = 0; // ModelVertex attributes, the index buffer as its element buffer
    GLuint indexBuffer = 0; // 16-bit, 6 per sprite
    GLuint sampler = 0;     // linear min/mag/mip, clamped on every axis
};

class CGLSpriteDevice : public DirectX::ISpriteDevice {
public:
    // Raises com_exception: invalid argument for a format without a GL
    // equivalent, a zero or oversized sheet, or data short of the rows; failure
    // when GL refuses the texture.
    std::shared_ptr<DirectX::ISpriteTexture> CreateTexture(DxgiFormat format, uint32_t width, uint32_t height,
                                                           uint32_t rowPitch, std::span<const uint8_t> data) override;
    // Null (reported) when the shaders do not build or GL refuses an object.
    std::unique_ptr<DirectX::ISpriteDeviceObjects> CreateSpriteObjects(std::span<const uint16_t> indices) override;
};
