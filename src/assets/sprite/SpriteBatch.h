// SpriteBatch: collects textured, coloured screen-space rectangles between
// Begin and End and draws them at End, in submission order, one indexed draw per
// run of sprites on the same texture. Vertex data goes through a ring shared by
// every batch on the same context; shaders, indices and default states are
// shared by every batch on the same device. Only deferred sorting is built.
#pragma once
#include "assets/sprite/SpriteBackend.h"
#include "assets/sprite/SpriteTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace DirectX {

class SpriteBatch {
public:
    // Takes (or creates, on first use) the device's and the context's shared objects.
    explicit SpriteBatch(ISpriteContext& context);
    ~SpriteBatch();
    SpriteBatch(const SpriteBatch&) = delete;
    SpriteBatch& operator=(const SpriteBatch&) = delete;

    // Raises "Cannot nest Begin calls on a single SpriteBatch" when already begun.
    void Begin(SpriteSortMode sortMode = SpriteSortMode_Deferred, ISpriteState* blend = nullptr,
               ISpriteState* sampler = nullptr, ISpriteState* depthStencil = nullptr,
               ISpriteState* rasterizer = nullptr, const Matrix4& transform = Matrix4::Identity());

    // Queues one sprite. With a source rectangle its size in texels, times scale,
    // is the size drawn in pixels; without one the whole texture is drawn at
    // scale times its size. Raises "Texture cannot be null" and "Begin must be
    // called before Draw".
    void Draw(const std::shared_ptr<ISpriteTexture>& texture, Vector2 position, const Rect* sourceRectangle = nullptr,
              Colour colour = {}, float rotation = 0.0f, Vector2 origin = {}, float scale = 1.0f,
              SpriteEffects effects = SpriteEffects_None, float layerDepth = 0.0f);

    // Sets up the pipeline and draws the queue. Raises "Begin must be called
    // before End", "No viewport is set", "SpriteBatch can only draw Texture2D
    // resources", or the back end's com_exception. However it ends, the queue is
    // emptied and the batch is idle again.
    void End();

    bool IsBegun() const { return m_bBegun; }
    size_t QueueCapacity() const { return m_nQueueCapacity; }

    // The pixel-to-clip transform for a viewport of width x height (row-vector
    // form); a non-positive size gives a scale of 0 on that axis.
    static Matrix4 ViewportTransform(float width, float height);

private:
    struct alignas(16) SpriteInfo {
        float source[4];      // x, y, width, height: texels, or 0..1 of the texture
        float destination[4]; // x, y, width, height: pixels, or scale of the source size
        float colour[4];
        float originX, originY, rotation, depth;
        ISpriteTexture* texture;
        uint32_t flags;
    };
    static_assert(sizeof(SpriteInfo) == 80, "queued sprites are 80 bytes");

    struct DeviceShared;
    struct ContextShared;

    void GrowQueue();
    void PreparePipeline();
    void Flush();
    void DrawRun(ISpriteTexture& texture, const SpriteInfo* sprites, uint32_t count);
    static void WriteVertices(const SpriteInfo& sprite, float textureWidth, float textureHeight, ModelVertex* out);

    ISpriteContext& m_Context;
    std::shared_ptr<DeviceShared> m_pDeviceShared;
    std::shared_ptr<ContextShared> m_pContextShared;

    bool m_bBegun = false;
    SpriteSortMode m_SortMode = SpriteSortMode_Deferred;
    SpriteStates m_States;
    Matrix4 m_Transform = Matrix4::Identity();

    std::unique_ptr<SpriteInfo[]> m_pQueue;
    size_t m_nQueueCount = 0;
    size_t m_nQueueCapacity = 0;
    // Keeps every texture queued since the last flush alive until it is drawn.
    std::vector<std::shared_ptr<ISpriteTexture>> m_TextureRefs;
};

} // namespace DirectX
