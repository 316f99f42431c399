// The sprite batch against the recording null back end: misuse, texture runs,
// the vertex ring and its wrap, vertices, shared objects, failure recovery.
#include "assets/sprite/ComException.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteBatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace DirectX;

namespace {
std::shared_ptr<ISpriteTexture> Texture(uint32_t w = 40, uint32_t h = 40)
{
    return std::make_shared<CNullSpriteTexture>(DxgiFormat::R8G8B8A8_UNORM, w, h, w * 4, std::vector<uint8_t>{});
}

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

void DrawMany(SpriteBatch& batch, const std::shared_ptr<ISpriteTexture>& texture, int count)
{
    const Rect glyph{0, 0, 8, 8};
    for (int i = 0; i < count; ++i)
        batch.Draw(texture, {float(i), 0}, &glyph);
}

struct Chunk {
    uint32_t first, count;
    bool discard;
    bool operator==(const Chunk&) const = default;
};

std::vector<Chunk> Chunks(const CNullSpriteBackend& backend)
{
    std::vector<Chunk> out;
    for (size_t i = 0; i < backend.m_Maps.size(); ++i) {
        const auto& map = backend.m_Maps[i];
        // Every map is followed by the draw of exactly the sprites it wrote.
        EXPECT_EQ(backend.m_Draws[i].indexCount, map.spriteCount * 6);
        EXPECT_EQ(backend.m_Draws[i].startIndex, map.firstSprite * 6);
        out.push_back({map.firstSprite, map.spriteCount, map.discard});
    }
    EXPECT_EQ(backend.m_Maps.size(), backend.m_Draws.size());
    return out;
}
} // namespace

TEST(SpriteBatch, MisuseRaisesAndLeavesTheBatchUsable)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    const auto texture = Texture();
    EXPECT_EQ(Message([&] { batch.End(); }), "Begin must be called before End");
    EXPECT_EQ(Message([&] { batch.Draw(texture, {}); }), "Begin must be called before Draw");
    EXPECT_EQ(Message([&] { batch.Draw(nullptr, {}); }), "Texture cannot be null");
    batch.Begin();
    EXPECT_EQ(Message([&] { batch.Begin(); }), "Cannot nest Begin calls on a single SpriteBatch");
    EXPECT_EQ(Message([&] { batch.Draw(nullptr, {}); }), "Texture cannot be null");
    EXPECT_TRUE(batch.IsBegun());
    batch.End();
    EXPECT_FALSE(batch.IsBegun());

    // Exactly one viewport must be set; the failed End still ends the batch.
    for (uint32_t viewports : {0u, 2u}) {
        backend.m_nViewportCount = viewports;
        batch.Begin();
        batch.Draw(texture, {});
        EXPECT_EQ(Message([&] { batch.End(); }), "No viewport is set");
        EXPECT_FALSE(batch.IsBegun());
    }
    backend.m_nViewportCount = 1;

    struct CubeTexture : CNullSpriteTexture {
        CubeTexture() : CNullSpriteTexture(DxgiFormat::R8G8B8A8_UNORM, 4, 4, 16, {}) {}
        bool IsTexture2D() const override { return false; }
    };
    batch.Begin();
    batch.Draw(std::make_shared<CubeTexture>(), {});
    EXPECT_EQ(Message([&] { batch.End(); }), "SpriteBatch can only draw Texture2D resources");
    EXPECT_FALSE(batch.IsBegun());
    backend.ClearRecord();
    batch.Begin();
    batch.Draw(texture, {});
    batch.End();
    EXPECT_EQ(backend.m_Draws.size(), 1u);
}

TEST(SpriteBatch, DrawsRunsOfOneTextureInSubmissionOrder)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    const auto a = Texture(), b = Texture();
    const long before = a.use_count();
    batch.Begin();
    batch.Draw(a, {});
    batch.Draw(a, {});
    batch.Draw(b, {});
    batch.Draw(a, {});
    // Queued textures are kept alive until drawn.
    EXPECT_GT(a.use_count(), before);
    EXPECT_TRUE(backend.m_Draws.empty()); // deferred: nothing before End
    batch.End();
    EXPECT_EQ(a.use_count(), before);
    std::vector<const void*> textures;
    for (const auto& draw : backend.m_Draws)
        textures.push_back(draw.texture);
    EXPECT_EQ(textures, (std::vector<const void*>{a.get(), b.get(), a.get()}));
    EXPECT_EQ(Chunks(backend), (std::vector<Chunk>{{0, 2, true}, {2, 1, false}, {3, 1, false}}));
    EXPECT_EQ(backend.m_nPipelinesApplied, 1);
}

TEST(SpriteBatch, LongRunsAreCutIntoRingChunks)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    const auto sheet = Texture();
    // One batch of runs of `counts` sprites, each run on its own texture after the first.
    const auto batchOf = [&](std::initializer_list<int> counts) {
        backend.ClearRecord();
        batch.Begin();
        for (const int* count = counts.begin(); count != counts.end(); ++count)
            DrawMany(batch, count == counts.begin() ? sheet : Texture(), *count);
        batch.End();
        return Chunks(backend);
    };
    using C = std::vector<Chunk>;
    // 3000 glyphs on one texture: a full ring, then the rest after a wrap.
    EXPECT_EQ(batchOf({3000}), (C{{0, 2048, true}, {0, 952, true}}));
    // Bring the ring to 1990: 58 free slots are too few, so the run starts over at 0.
    EXPECT_EQ(batchOf({1038}), (C{{952, 1038, false}}));
    EXPECT_EQ(batchOf({3000}), (C{{0, 2048, true}, {0, 952, true}}));
    // A run that fits the free space is appended without discarding, even near the end.
    EXPECT_EQ(batchOf({1038, 10}), (C{{952, 1038, false}, {1990, 10, false}}));
    // With 128 or more free slots a long run first fills them.
    batchOf({1000});
    EXPECT_EQ(batchOf({3000}), (C{{1000, 1048, false}, {0, 1952, true}}));
}

TEST(SpriteBatch, QueuedSpritesSurviveTheQueueGrowing)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    batch.Begin();
    DrawMany(batch, Texture(), 300); // the queue grows several times on the way
    batch.End();
    for (size_t i = 0; i < 300; ++i)
        ASSERT_FLOAT_EQ(backend.m_Ring[i * 4].position[0], float(i)) << "sprite " << i;
}

TEST(SpriteBatch, VerticesCoverTheDestinationAndSampleTheSource)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    const auto texture = Texture(40, 40);
    const Rect source{20, 10, 30, 30}; // 10 x 20 texels
    const auto draw = [&](Vector2 origin, float scale, float rotation, SpriteEffects effects, const Rect* src) {
        backend.ClearRecord();
        batch.Begin();
        batch.Draw(texture, {100, 50}, src, {0.25f, 0.5f, 0.75f, 1.0f}, rotation, origin, scale, effects, 0.5f);
        batch.End();
        return &backend.m_Ring[backend.m_Maps.at(0).firstSprite * 4];
    };
    const auto expectCorners = [](const ModelVertex* v, std::initializer_list<std::array<float, 4>> expected) {
        int i = 0;
        for (const auto& e : expected) {
            EXPECT_NEAR(v[i].position[0], e[0], 1e-4) << "corner " << i;
            EXPECT_NEAR(v[i].position[1], e[1], 1e-4) << "corner " << i;
            EXPECT_NEAR(v[i].texcoord[0], e[2], 1e-6) << "corner " << i;
            EXPECT_NEAR(v[i].texcoord[1], e[3], 1e-6) << "corner " << i;
            ++i;
        }
    };

    // At (100, 50), 10 x 20 texels, origin 0: pixels 100..110 by 50..70.
    const ModelVertex* v = draw({}, 1, 0, SpriteEffects_None, &source);
    expectCorners(v, {{100, 50, 0.5f, 0.25f}, {110, 50, 0.75f, 0.25f}, {100, 70, 0.5f, 0.75f}, {110, 70, 0.75f, 0.75f}});
    EXPECT_EQ(v[2].colour[0], 0.25f);
    EXPECT_EQ(v[2].colour[2], 0.75f);
    EXPECT_EQ(v[3].position[2], 0.5f);

    // The origin is in source texels and scales with the sprite.
    v = draw({5, 10}, 2, 0, SpriteEffects_None, &source);
    expectCorners(v, {{90, 30, 0.5f, 0.25f}, {110, 30, 0.75f, 0.25f}, {90, 70, 0.5f, 0.75f}, {110, 70, 0.75f, 0.75f}});

    // Rotation turns the corners about the destination point.
    v = draw({}, 1, std::numbers::pi_v<float> / 2, SpriteEffects_None, &source);
    expectCorners(v, {{100, 50, 0.5f, 0.25f}, {100, 60, 0.75f, 0.25f}, {80, 50, 0.5f, 0.75f}, {80, 60, 0.75f, 0.75f}});

    // Mirroring swaps the texture coordinates, not the corners.
    v = draw({}, 1, 0, SpriteEffects_FlipHorizontally, &source);
    expectCorners(v, {{100, 50, 0.75f, 0.25f}, {110, 50, 0.5f, 0.25f}, {100, 70, 0.75f, 0.75f}, {110, 70, 0.5f, 0.75f}});

    // Without a source rectangle the whole texture is drawn at scale times its size.
    v = draw({}, 0.5f, 0, SpriteEffects_None, nullptr);
    expectCorners(v, {{100, 50, 0, 0}, {120, 50, 1, 0}, {100, 70, 0, 1}, {120, 70, 1, 1}});

    // An empty source rectangle with an origin gives a point, not NaN.
    const Rect empty{5, 5, 5, 5};
    v = draw({3, 3}, 1, 0, SpriteEffects_None, &empty);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(std::isnan(v[i].position[0]));
        EXPECT_FLOAT_EQ(v[i].position[0], 100);
    }

    // A source rectangle whose edges would overflow a 32-bit width stays finite.
    const Rect extreme{INT32_MIN, 0, INT32_MAX, 1};
    v = draw({}, 1, 0, SpriteEffects_None, &extreme);
    EXPECT_TRUE(std::isfinite(v[1].position[0]));
}

// (The Begin transform's order against the viewport's shows in the font resource's draw.)
TEST(SpriteBatch, PipelineTakesTheBeginStates)
{
    CNullSpriteBackend backend;
    SpriteBatch batch(backend);
    ISpriteState blend, rasterizer;
    batch.Begin(SpriteSortMode_Deferred, &blend, nullptr, nullptr, &rasterizer);
    batch.End();
    EXPECT_EQ(backend.m_LastStates.blend, &blend);
    EXPECT_EQ(backend.m_LastStates.sampler, nullptr);
    EXPECT_EQ(backend.m_LastStates.depthStencil, nullptr);
    EXPECT_EQ(backend.m_LastStates.rasterizer, &rasterizer);

    batch.Begin();
    batch.End();
    EXPECT_EQ(backend.m_LastStates.blend, nullptr);
    // A viewport without size scales that axis to 0.
    const Matrix4 flat = SpriteBatch::ViewportTransform(0, -5);
    EXPECT_EQ(flat.m[0][0], 0.0f);
    EXPECT_EQ(flat.m[1][1], 0.0f);
    EXPECT_EQ(flat.m[3][0], -1.0f);
    EXPECT_EQ(flat.m[3][1], 1.0f);
}

TEST(SpriteBatch, DeviceAndContextObjectsAreSharedWhileInUse)
{
    CNullSpriteBackend backend;
    const auto texture = Texture();
    {
        SpriteBatch first(backend);
        SpriteBatch second(backend);
        EXPECT_EQ(backend.m_nSpriteObjectsCreated, 1);
        EXPECT_EQ(backend.m_nVertexRingsCreated, 1);
        // The index buffer: two triangles per sprite over its four corners.
        ASSERT_EQ(backend.m_Indices.size(), 12288u);
        EXPECT_EQ(std::vector<uint16_t>(backend.m_Indices.begin(), backend.m_Indices.begin() + 12),
                  (std::vector<uint16_t>{0, 1, 2, 1, 3, 2, 4, 5, 6, 5, 7, 6}));
        EXPECT_EQ(backend.m_Indices.back(), 4 * 2047 + 2);
        // Both batches write into the one ring, one after the other.
        first.Begin();
        DrawMany(first, texture, 5);
        first.End();
        second.Begin();
        DrawMany(second, texture, 5);
        second.End();
        EXPECT_EQ(Chunks(backend), (std::vector<Chunk>{{0, 5, true}, {5, 5, false}}));
    }
    // Released with the last batch, made again for the next.
    SpriteBatch third(backend);
    EXPECT_EQ(backend.m_nSpriteObjectsCreated, 2);
    EXPECT_EQ(backend.m_nVertexRingsCreated, 2);

    // Another context on the same device has its own ring but shares the device objects.
    struct OtherContext : CNullSpriteBackend {
        explicit OtherContext(CNullSpriteBackend& device) : device(device) {}
        ISpriteDevice& GetDevice() override { return device; }
        CNullSpriteBackend& device;
    } other(backend);
    SpriteBatch fourth(other);
    EXPECT_EQ(backend.m_nSpriteObjectsCreated, 2);
    EXPECT_EQ(other.m_nVertexRingsCreated, 1);
}

TEST(SpriteBatch, FailedMapRaisesTheDeviceErrorAndTheBatchRecovers)
{
    struct FailingRing : ISpriteVertexRing {
        bool& fail;
        std::vector<ModelVertex> memory = std::vector<ModelVertex>(kSpriteRingSize * 4);
        explicit FailingRing(bool& fail) : fail(fail) {}
        ModelVertex* Map(uint32_t first, uint32_t, bool) override { return fail ? nullptr : &memory[first * 4]; }
        void Unmap() override {}
    };
    struct Backend : CNullSpriteBackend {
        bool fail = true;
        std::unique_ptr<ISpriteVertexRing> CreateVertexRing(uint32_t) override
        {
            return std::make_unique<FailingRing>(fail);
        }
    } backend;
    SpriteBatch batch(backend);
    const auto texture = Texture();
    const long before = texture.use_count();
    batch.Begin();
    batch.Draw(texture, {});
    try {
        batch.End();
        FAIL();
    } catch (const com_exception& e) {
        EXPECT_STREQ(e.what(), "Failure with HRESULT of 80004005");
    }
    EXPECT_FALSE(batch.IsBegun());
    EXPECT_EQ(texture.use_count(), before);
    backend.fail = false;
    batch.Begin();
    batch.Draw(texture, {});
    batch.End();
    EXPECT_EQ(backend.m_Draws.size(), 1u);
}
