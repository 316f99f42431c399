// What the sprite font and the sprite batch need from a graphics device, and
// nothing more: a sheet texture made from DXGI-format bytes, the shared pipeline
// objects, a ring of vertex memory, the first viewport's size, pipeline state,
// texture binding and one indexed draw. Back ends (OpenGL, the null back end of
// tests) implement it; this header knows no graphics API.
//
// Every operation may raise com_exception when the device refuses; the batch
// and the font pass it on unchanged.
#pragma once
#include "render/DxgiFormat.h"
#include "render/Math.h"
#include "render/ModelVertex.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace DirectX {

// A texture the batch can draw from: a font's sheet, or any texture a back end wraps.
class ISpriteTexture {
public:
    virtual ~ISpriteTexture() = default;
    virtual uint32_t Width() const = 0;
    virtual uint32_t Height() const = 0;
    // Only 2D textures can be drawn; the batch refuses any other kind.
    virtual bool IsTexture2D() const { return true; }
};

// A blend, sampler, depth-stencil or rasterizer state given to Begin in place of
// the batch's default. Back ends derive their own state objects from it.
class ISpriteState {
public:
    virtual ~ISpriteState() = default;
};

// The states given to Begin; a null entry means the shared default:
// blend: premultiplied alpha (one, one minus source alpha, add), all channels written;
// depth-stencil: depth test and writes off, stencil reference 0;
// rasterizer: solid, back faces culled (clockwise is front), depth clip on;
// sampler (slot 0): linear min/mag/mip, clamp on every axis.
struct SpriteStates {
    ISpriteState* blend = nullptr;
    ISpriteState* sampler = nullptr;
    ISpriteState* depthStencil = nullptr;
    ISpriteState* rasterizer = nullptr;
};

// Pipeline objects every batch on one device shares: the two shaders, the
// vertex layout (ModelVertex: position, colour, texture coordinate), the static
// index buffer and the default states. Opaque to the batch; the back end that
// made it casts it back in ApplyPipeline.
class ISpriteDeviceObjects {
public:
    virtual ~ISpriteDeviceObjects() = default;
};

// The dynamic vertex buffer every batch on one context shares, used ring-wise:
// room for kSpriteRingSize sprites of 4 vertices each.
class ISpriteVertexRing {
public:
    virtual ~ISpriteVertexRing() = default;
    // Memory for the 4 * spriteCount vertices of sprites firstSprite onwards.
    // With discard (firstSprite is then 0) the previous contents may be dropped;
    // without it the vertices of earlier sprites still being drawn must stay intact.
    virtual ModelVertex* Map(uint32_t firstSprite, uint32_t spriteCount, bool discard) = 0;
    virtual void Unmap() = 0;
};

class ISpriteDevice {
public:
    virtual ~ISpriteDevice() = default;
    // An immutable sheet texture, one mip level. data holds at least the rows the
    // size needs (height rows, or height / 4 rounded up for block formats), each
    // rowPitch bytes apart; the caller has checked that.
    virtual std::shared_ptr<ISpriteTexture> CreateTexture(DxgiFormat format, uint32_t width, uint32_t height,
                                                          uint32_t rowPitch, std::span<const uint8_t> data) = 0;
    // The shared pipeline objects; indices is the static index buffer's content
    // (6 per sprite for kSpriteRingSize sprites). Called under the batch's lock,
    // once per device while any batch uses it.
    virtual std::unique_ptr<ISpriteDeviceObjects> CreateSpriteObjects(std::span<const uint16_t> indices) = 0;
};

class ISpriteContext {
public:
    virtual ~ISpriteContext() = default;
    virtual ISpriteDevice& GetDevice() = 0;
    // The shared vertex ring of this context; called under the batch's lock,
    // once per context while any batch uses it.
    virtual std::unique_ptr<ISpriteVertexRing> CreateVertexRing(uint32_t spriteCount) = 0;
    // How many viewports are set, and the first one's size in pixels.
    virtual uint32_t GetViewports(float& width, float& height) = 0;
    // Binds everything a sprite draw needs: shaders, layout, index buffer, the
    // ring's vertex buffer (36-byte stride), triangle lists, the given states or
    // the defaults, and the vertex shader's transform (pixels to clip space,
    // row-vector convention: clip = position * transform).
    virtual void ApplyPipeline(ISpriteDeviceObjects& objects, ISpriteVertexRing& ring, const SpriteStates& states,
                               const Matrix4& transform) = 0;
    // Binds the texture to pixel-shader slot 0.
    virtual void BindTexture(const ISpriteTexture& texture) = 0;
    // Draws indexCount indices of the static index buffer from startIndex, base vertex 0.
    virtual void DrawIndexed(uint32_t indexCount, uint32_t startIndex) = 0;
};

// Sprites the vertex ring holds.
inline constexpr uint32_t kSpriteRingSize = 2048;

} // namespace DirectX
