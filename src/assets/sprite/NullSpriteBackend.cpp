// The recording null back end of the sprite path.
#include "assets/sprite/NullSpriteBackend.h"

namespace DirectX {
namespace {
class CNullObjects : public ISpriteDeviceObjects {};

class CNullRing : public ISpriteVertexRing {
public:
    explicit CNullRing(CNullSpriteBackend& backend) : m_Backend(backend) {}
    ModelVertex* Map(uint32_t firstSprite, uint32_t spriteCount, bool discard) override
    {
        if (m_Backend.m_bRecordDraws)
            m_Backend.m_Maps.push_back({firstSprite, spriteCount, discard});
        if (size_t(firstSprite) + spriteCount > kSpriteRingSize)
            return nullptr; // a device would refuse a range outside its buffer
        return m_Backend.m_Ring.data() + size_t(firstSprite) * 4;
    }
    void Unmap() override {}

private:
    CNullSpriteBackend& m_Backend;
};
} // namespace

std::shared_ptr<ISpriteTexture> CNullSpriteBackend::CreateTexture(DxgiFormat format, uint32_t width, uint32_t height,
                                                                  uint32_t rowPitch, std::span<const uint8_t> data)
{
    return std::make_shared<CNullSpriteTexture>(format, width, height, rowPitch,
                                                std::vector<uint8_t>(data.begin(), data.end()));
}

std::unique_ptr<ISpriteDeviceObjects> CNullSpriteBackend::CreateSpriteObjects(std::span<const uint16_t> indices)
{
    ++m_nSpriteObjectsCreated;
    m_Indices.assign(indices.begin(), indices.end());
    return std::make_unique<CNullObjects>();
}

std::unique_ptr<ISpriteVertexRing> CNullSpriteBackend::CreateVertexRing(uint32_t spriteCount)
{
    ++m_nVertexRingsCreated;
    m_Ring.assign(size_t(spriteCount) * 4, ModelVertex{});
    return std::make_unique<CNullRing>(*this);
}

uint32_t CNullSpriteBackend::GetViewports(float& width, float& height)
{
    width = m_fViewportWidth;
    height = m_fViewportHeight;
    return m_nViewportCount;
}

void CNullSpriteBackend::ApplyPipeline(ISpriteDeviceObjects& /*objects*/, ISpriteVertexRing& /*ring*/,
                                       const SpriteStates& states, const Matrix4& transform)
{
    ++m_nPipelinesApplied;
    m_LastStates = states;
    m_LastTransform = transform;
}

void CNullSpriteBackend::DrawIndexed(uint32_t indexCount, uint32_t startIndex)
{
    if (m_bRecordDraws)
        m_Draws.push_back({m_pBoundTexture, indexCount, startIndex});
}

void CNullSpriteBackend::ClearRecord()
{
    m_Maps.clear();
    m_Draws.clear();
}

} // namespace DirectX
