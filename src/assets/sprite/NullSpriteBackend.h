// A sprite device and context with no GPU behind them: textures keep their size,
// format and bytes, vertex data lands in memory, pipeline and draw calls are
// recorded. Lets the text path run, and be inspected, in tests and benchmarks.
#pragma once
#include "assets/sprite/SpriteBackend.h"

#include <vector>

namespace DirectX {

class CNullSpriteTexture : public ISpriteTexture {
public:
    CNullSpriteTexture(DxgiFormat format, uint32_t width, uint32_t height, uint32_t rowPitch,
                       std::vector<uint8_t> bytes)
        : format(format), width(width), height(height), rowPitch(rowPitch), bytes(std::move(bytes))
    {
    }
    uint32_t Width() const override { return width; }
    uint32_t Height() const override { return height; }

    DxgiFormat format;
    uint32_t width;
    uint32_t height;
    uint32_t rowPitch;
    std::vector<uint8_t> bytes;
};

class CNullSpriteBackend : public ISpriteDevice, public ISpriteContext {
public:
    struct MapCall {
        uint32_t firstSprite;
        uint32_t spriteCount;
        bool discard;
    };
    struct DrawCall {
        const ISpriteTexture* texture;
        uint32_t indexCount;
        uint32_t startIndex;
    };

    std::shared_ptr<ISpriteTexture> CreateTexture(DxgiFormat format, uint32_t width, uint32_t height,
                                                  uint32_t rowPitch, std::span<const uint8_t> data) override;
    std::unique_ptr<ISpriteDeviceObjects> CreateSpriteObjects(std::span<const uint16_t> indices) override;

    ISpriteDevice& GetDevice() override { return *this; }
    std::unique_ptr<ISpriteVertexRing> CreateVertexRing(uint32_t spriteCount) override;
    uint32_t GetViewports(float& width, float& height) override;
    void ApplyPipeline(ISpriteDeviceObjects& objects, ISpriteVertexRing& ring, const SpriteStates& states,
                       const Matrix4& transform) override;
    void BindTexture(const ISpriteTexture& texture) override { m_pBoundTexture = &texture; }
    void DrawIndexed(uint32_t indexCount, uint32_t startIndex) override;

    // Forgets the recorded calls (not the ring's contents).
    void ClearRecord();

    // What the tests set.
    uint32_t m_nViewportCount = 1;
    float m_fViewportWidth = 1920.0f;
    float m_fViewportHeight = 1080.0f;
    bool m_bRecordDraws = true;

    // What the tests read.
    int m_nSpriteObjectsCreated = 0;
    int m_nVertexRingsCreated = 0;
    int m_nPipelinesApplied = 0;
    std::vector<uint16_t> m_Indices;
    std::vector<ModelVertex> m_Ring; // the most recent ring's memory, 4 vertices per sprite
    std::vector<MapCall> m_Maps;
    std::vector<DrawCall> m_Draws;
    SpriteStates m_LastStates;
    Matrix4 m_LastTransform = Matrix4::Identity();
    const ISpriteTexture* m_pBoundTexture = nullptr;
};

} // namespace DirectX
