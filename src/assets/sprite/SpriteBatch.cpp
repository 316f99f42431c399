// The deferred sprite batch: queue, pipeline set-up, texture runs, the vertex
// ring and the shared per-device and per-context objects.
#include "assets/sprite/SpriteBatch.h"

#include "assets/sprite/ComException.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace DirectX {

struct SpriteBatch::DeviceShared {
    std::unique_ptr<ISpriteDeviceObjects> objects;
};

struct SpriteBatch::ContextShared {
    std::unique_ptr<ISpriteVertexRing> ring;
    uint32_t position = 0; // next free sprite slot of the ring
};

namespace {
constexpr uint32_t kMinFreeSlots = 128; // below this the ring starts over rather than drawing a sliver
constexpr uint32_t kSourceInTexels = 1u << 0;
constexpr uint32_t kDestSizeInPixels = 1u << 1;
constexpr uint32_t kEffectsShift = 2; // SpriteEffects bits sit above the two flags
constexpr float kEpsilon = 1.1920929e-7f; // 2^-23

// One object per key, made at most once while anyone holds it, under one lock.
// Keys are the device and context objects the batches were made on.
template <typename T>
class SharedCache {
public:
    template <typename Create>
    std::shared_ptr<T> Demand(const void* key, Create create)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::erase_if(m_Entries, [&](const auto& entry) { return entry.first != key && entry.second.expired(); });
        std::weak_ptr<T>& slot = m_Entries[key];
        if (std::shared_ptr<T> existing = slot.lock())
            return existing;
        std::shared_ptr<T> made = create();
        slot = made;
        return made;
    }

private:
    std::mutex m_Mutex;
    std::unordered_map<const void*, std::weak_ptr<T>> m_Entries;
};

// Never destroyed: batches owned by objects with static lifetime may outlive
// any ordinary static.
template <typename T>
SharedCache<T>& Cache()
{
    static auto* cache = new SharedCache<T>();
    return *cache;
}

// Two triangles per sprite over its corners top-left, top-right, bottom-left, bottom-right.
const std::array<uint16_t, kSpriteRingSize * 6>& SpriteIndices()
{
    static const auto indices = [] {
        std::array<uint16_t, kSpriteRingSize * 6> out{};
        for (uint32_t k = 0; k < kSpriteRingSize; ++k) {
            const auto base = static_cast<uint16_t>(k * 4);
            const uint16_t quad[6] = {base, uint16_t(base + 1), uint16_t(base + 2),
                                      uint16_t(base + 1), uint16_t(base + 3), uint16_t(base + 2)};
            std::copy(std::begin(quad), std::end(quad), out.begin() + k * 6);
        }
        return out;
    }();
    return indices;
}

[[noreturn]] void Raise(const char* message) { throw std::runtime_error(message); }
} // namespace

SpriteBatch::SpriteBatch(ISpriteContext& context) : m_Context(context)
{
    ISpriteDevice& device = context.GetDevice();
    m_pDeviceShared = Cache<DeviceShared>().Demand(&device, [&] {
        auto shared = std::make_shared<DeviceShared>();
        shared->objects = device.CreateSpriteObjects(SpriteIndices());
        if (!shared->objects)
            throw com_exception(kResultFail);
        return shared;
    });
    m_pContextShared = Cache<ContextShared>().Demand(&context, [&] {
        auto shared = std::make_shared<ContextShared>();
        shared->ring = context.CreateVertexRing(kSpriteRingSize);
        if (!shared->ring)
            throw com_exception(kResultFail);
        return shared;
    });
}

SpriteBatch::~SpriteBatch() = default;

void SpriteBatch::Begin(SpriteSortMode sortMode, ISpriteState* blend, ISpriteState* sampler,
                        ISpriteState* depthStencil, ISpriteState* rasterizer, const Matrix4& transform)
{
    if (m_bBegun)
        Raise("Cannot nest Begin calls on a single SpriteBatch");
    m_SortMode = sortMode;
    m_States = SpriteStates{blend, sampler, depthStencil, rasterizer};
    m_Transform = transform;
    m_bBegun = true;
}

void SpriteBatch::Draw(const std::shared_ptr<ISpriteTexture>& texture, Vector2 position, const Rect* sourceRectangle,
                       Colour colour, float rotation, Vector2 origin, float scale, SpriteEffects effects,
                       float layerDepth)
{
    if (!texture)
        Raise("Texture cannot be null");
    if (!m_bBegun)
        Raise("Begin must be called before Draw");

    if (m_nQueueCount >= m_nQueueCapacity)
        GrowQueue();
    if (m_TextureRefs.empty() || m_TextureRefs.back().get() != texture.get())
        m_TextureRefs.push_back(texture);

    SpriteInfo& sprite = m_pQueue[m_nQueueCount];
    sprite.destination[0] = position.x;
    sprite.destination[1] = position.y;
    if (sourceRectangle) {
        const float width = static_cast<float>(int64_t(sourceRectangle->right) - sourceRectangle->left);
        const float height = static_cast<float>(int64_t(sourceRectangle->bottom) - sourceRectangle->top);
        sprite.source[0] = static_cast<float>(sourceRectangle->left);
        sprite.source[1] = static_cast<float>(sourceRectangle->top);
        sprite.source[2] = width;
        sprite.source[3] = height;
        sprite.destination[2] = scale * width;
        sprite.destination[3] = scale * height;
        sprite.flags = kSourceInTexels | kDestSizeInPixels;
    } else {
        sprite.source[0] = 0.0f;
        sprite.source[1] = 0.0f;
        sprite.source[2] = 1.0f;
        sprite.source[3] = 1.0f;
        sprite.destination[2] = scale;
        sprite.destination[3] = scale;
        sprite.flags = 0;
    }
    sprite.flags |= (static_cast<uint32_t>(effects) & SpriteEffects_FlipBoth) << kEffectsShift;
    sprite.colour[0] = colour.r;
    sprite.colour[1] = colour.g;
    sprite.colour[2] = colour.b;
    sprite.colour[3] = colour.a;
    sprite.originX = origin.x;
    sprite.originY = origin.y;
    sprite.rotation = rotation;
    sprite.depth = layerDepth;
    sprite.texture = texture.get();
    ++m_nQueueCount;
}

void SpriteBatch::End()
{
    if (!m_bBegun)
        Raise("Begin must be called before End");
    // A batch whose draw failed must still be usable next frame.
    struct Idle {
        SpriteBatch& batch;
        ~Idle()
        {
            batch.m_nQueueCount = 0;
            batch.m_TextureRefs.clear();
            batch.m_bBegun = false;
        }
    } idle{*this};
    PreparePipeline();
    Flush();
}

void SpriteBatch::GrowQueue()
{
    const size_t capacity = std::max<size_t>(64, 2 * m_nQueueCapacity);
    auto queue = std::make_unique_for_overwrite<SpriteInfo[]>(capacity);
    std::copy(m_pQueue.get(), m_pQueue.get() + m_nQueueCount, queue.get());
    m_pQueue = std::move(queue);
    m_nQueueCapacity = capacity;
}

Matrix4 SpriteBatch::ViewportTransform(float width, float height)
{
    const float sx = width > 0.0f ? 2.0f / width : 0.0f;
    const float sy = height > 0.0f ? -2.0f / height : 0.0f;
    return Matrix4{{{sx, 0.0f, 0.0f, 0.0f}, {0.0f, sy, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 0.0f}, {-1.0f, 1.0f, 0.0f, 1.0f}}};
}

void SpriteBatch::PreparePipeline()
{
    float width = 0.0f;
    float height = 0.0f;
    if (m_Context.GetViewports(width, height) != 1)
        Raise("No viewport is set");
    const Matrix4 transform = mlmath::Multiply(m_Transform, ViewportTransform(width, height));
    m_Context.ApplyPipeline(*m_pDeviceShared->objects, *m_pContextShared->ring, m_States, transform);
}

void SpriteBatch::Flush()
{
    // Submission order is kept; each run of sprites on one texture is one batch.
    size_t start = 0;
    for (size_t i = 1; i <= m_nQueueCount; ++i) {
        if (i == m_nQueueCount || m_pQueue[i].texture != m_pQueue[start].texture) {
            DrawRun(*m_pQueue[start].texture, &m_pQueue[start], static_cast<uint32_t>(i - start));
            start = i;
        }
    }
}

void SpriteBatch::DrawRun(ISpriteTexture& texture, const SpriteInfo* sprites, uint32_t count)
{
    if (!texture.IsTexture2D())
        Raise("SpriteBatch can only draw Texture2D resources");
    m_Context.BindTexture(texture);
    const auto textureWidth = static_cast<float>(texture.Width());
    const auto textureHeight = static_cast<float>(texture.Height());

    ContextShared& shared = *m_pContextShared;
    while (count > 0) {
        uint32_t chunk = count;
        const uint32_t free = kSpriteRingSize - shared.position;
        if (chunk > free) {
            if (free < kMinFreeSlots) {
                shared.position = 0;
                chunk = std::min(count, kSpriteRingSize);
            } else {
                chunk = free;
            }
        }
        ModelVertex* vertices = shared.ring->Map(shared.position, chunk, shared.position == 0);
        if (!vertices)
            throw com_exception(kResultFail);
        for (uint32_t i = 0; i < chunk; ++i)
            WriteVertices(sprites[i], textureWidth, textureHeight, vertices + size_t(i) * 4);
        shared.ring->Unmap();
        m_Context.DrawIndexed(chunk * 6, shared.position * 6);
        shared.position += chunk;
        sprites += chunk;
        count -= chunk;
    }
}

void SpriteBatch::WriteVertices(const SpriteInfo& sprite, float textureWidth, float textureHeight, ModelVertex* out)
{
    float srcX = sprite.source[0], srcY = sprite.source[1];
    float srcW = sprite.source[2], srcH = sprite.source[3];
    if (!(sprite.flags & kSourceInTexels)) {
        srcX *= textureWidth;
        srcY *= textureHeight;
        srcW *= textureWidth;
        srcH *= textureHeight;
    }
    float dstW = sprite.destination[2], dstH = sprite.destination[3];
    if (!(sprite.flags & kDestSizeInPixels)) {
        dstW *= srcW;
        dstH *= srcH;
    }
    // The origin is given in source texels; scale it to destination pixels.
    const float originX = sprite.originX * (dstW / (srcW != 0.0f ? srcW : kEpsilon));
    const float originY = sprite.originY * (dstH / (srcH != 0.0f ? srcH : kEpsilon));

    const float invW = textureWidth > 0.0f ? 1.0f / textureWidth : 0.0f;
    const float invH = textureHeight > 0.0f ? 1.0f / textureHeight : 0.0f;
    const float u0 = srcX * invW, v0 = srcY * invH;
    const float du = srcW * invW, dv = srcH * invH;

    float cosR = 1.0f, sinR = 0.0f;
    if (sprite.rotation != 0.0f) {
        cosR = std::cos(sprite.rotation);
        sinR = std::sin(sprite.rotation);
    }
    const uint32_t effects = sprite.flags >> kEffectsShift;
    const bool flipX = effects & SpriteEffects_FlipHorizontally;
    const bool flipY = effects & SpriteEffects_FlipVertically;

    static constexpr float kCorners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        const float cx = kCorners[i][0], cy = kCorners[i][1];
        const float offX = cx * dstW - originX;
        const float offY = cy * dstH - originY;
        ModelVertex& v = out[i];
        v.position[0] = sprite.destination[0] + offX * cosR - offY * sinR;
        v.position[1] = sprite.destination[1] + offX * sinR + offY * cosR;
        v.position[2] = sprite.depth;
        v.colour[0] = sprite.colour[0];
        v.colour[1] = sprite.colour[1];
        v.colour[2] = sprite.colour[2];
        v.colour[3] = sprite.colour[3];
        // Mirroring swaps which texel edge each corner samples.
        v.texcoord[0] = u0 + (flipX ? 1.0f - cx : cx) * du;
        v.texcoord[1] = v0 + (flipY ? 1.0f - cy : cy) * dv;
    }
}

} // namespace DirectX
