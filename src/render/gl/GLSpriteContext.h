// CGLSpriteContext: the sprite path's drawing context on OpenGL: the vertex ring
// (one dynamic buffer used ring-wise, mapped with discard or no-overwrite
// meaning), the viewport query, pipeline set-up, the sheet on unit 0 and the
// indexed draw. Program and texture binds go through the renderer, so its
// record of what is bound stays true. It restores nothing afterwards; the font
// puts back the renderer's states.
#pragma once
#include "assets/sprite/SpriteBackend.h"

#include <epoxy/gl.h>

class CGLRenderer;
class CGLSpriteDevice;

// The dynamic vertex buffer: 4 ModelVertex per sprite slot.
class CGLSpriteVertexRing : public DirectX::ISpriteVertexRing {
public:
    explicit CGLSpriteVertexRing(uint32_t spriteCount);
    ~CGLSpriteVertexRing() override;
    CGLSpriteVertexRing(const CGLSpriteVertexRing&) = delete;
    CGLSpriteVertexRing& operator=(const CGLSpriteVertexRing&) = delete;

    // Discard lets GL drop the whole buffer's contents (draws still queued keep
    // theirs); otherwise the range is written unsynchronised: the batch never
    // writes a slot a queued draw reads until it has discarded. Null on failure.
    ModelVertex* Map(uint32_t firstSprite, uint32_t spriteCount, bool discard) override;
    void Unmap() override;

    GLuint GetBuffer() const { return m_Buffer; }
    bool IsValid() const { return m_Buffer != 0; }

private:
    GLuint m_Buffer = 0;
    uint32_t m_nSprites;
    bool m_bMapped = false;
};

class CGLSpriteContext : public DirectX::ISpriteContext {
public:
    CGLSpriteContext(CGLRenderer& renderer, CGLSpriteDevice& device) : m_Renderer(renderer), m_Device(device) {}

    DirectX::ISpriteDevice& GetDevice() override;
    std::unique_ptr<DirectX::ISpriteVertexRing> CreateVertexRing(uint32_t spriteCount) override;
    // GL always has exactly one viewport.
    uint32_t GetViewports(float& width, float& height) override;
    // Raises com_exception (invalid argument) for objects, a ring or a state
    // that another back end made.
    void ApplyPipeline(DirectX::ISpriteDeviceObjects& objects, DirectX::ISpriteVertexRing& ring,
                       const DirectX::SpriteStates& states, const Matrix4& transform) override;
    void BindTexture(const DirectX::ISpriteTexture& texture) override;
    void DrawIndexed(uint32_t indexCount, uint32_t startIndex) override;

private:
    CGLRenderer& m_Renderer;
    CGLSpriteDevice& m_Device;
    GLuint m_VertexArray = 0; // of the last pipeline applied
};
