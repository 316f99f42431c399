// Sprite drawing on GL: the vertex ring, pipeline set-up and draws.
#include "render/gl/GLSpriteContext.h"

#include "assets/sprite/ComException.h"
#include "render/gl/GLRenderer.h"
#include "render/gl/GLSpriteDevice.h"
#include "render/gl/GLSpriteStates.h"

#include <cstdint>

using namespace DirectX;

namespace {
constexpr GLsizeiptr kSpriteBytes = 4 * sizeof(ModelVertex);

// A state given to Begin must be one this back end made.
template <typename T>
const T* Given(ISpriteState* state)
{
    if (!state)
        return nullptr;
    const auto* own = dynamic_cast<const T*>(state);
    if (!own)
        throw com_exception(kResultInvalidArg);
    return own;
}
} // namespace

CGLSpriteVertexRing::CGLSpriteVertexRing(uint32_t spriteCount) : m_nSprites(spriteCount)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateBuffers(1, &m_Buffer);
    glNamedBufferStorage(m_Buffer, kSpriteBytes * spriteCount, nullptr, GL_MAP_WRITE_BIT);
    if (glGetError() != GL_NO_ERROR && m_Buffer) {
        glDeleteBuffers(1, &m_Buffer);
        m_Buffer = 0;
    }
}

CGLSpriteVertexRing::~CGLSpriteVertexRing()
{
    if (m_bMapped)
        glUnmapNamedBuffer(m_Buffer);
    if (m_Buffer)
        glDeleteBuffers(1, &m_Buffer);
}

ModelVertex* CGLSpriteVertexRing::Map(uint32_t firstSprite, uint32_t spriteCount, bool discard)
{
    if (!m_Buffer || m_bMapped || spriteCount == 0 || uint64_t(firstSprite) + spriteCount > m_nSprites)
        return nullptr;
    // Direct3D's write-discard drops the whole buffer and its no-overwrite
    // promises not to touch what queued draws read: the same two promises in GL's words.
    const GLbitfield access =
        GL_MAP_WRITE_BIT | (discard ? GL_MAP_INVALIDATE_BUFFER_BIT : GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
    void* memory = glMapNamedBufferRange(m_Buffer, kSpriteBytes * firstSprite, kSpriteBytes * spriteCount, access);
    m_bMapped = memory != nullptr;
    return static_cast<ModelVertex*>(memory);
}

void CGLSpriteVertexRing::Unmap()
{
    if (m_bMapped)
        glUnmapNamedBuffer(m_Buffer);
    m_bMapped = false;
}

ISpriteDevice& CGLSpriteContext::GetDevice()
{
    return m_Device;
}

std::unique_ptr<ISpriteVertexRing> CGLSpriteContext::CreateVertexRing(uint32_t spriteCount)
{
    auto ring = std::make_unique<CGLSpriteVertexRing>(spriteCount);
    if (!ring->IsValid())
        return nullptr;
    return ring;
}

uint32_t CGLSpriteContext::GetViewports(float& width, float& height)
{
    GLfloat viewport[4] = {};
    glGetFloatv(GL_VIEWPORT, viewport);
    width = viewport[2];
    height = viewport[3];
    return 1;
}

void CGLSpriteContext::ApplyPipeline(ISpriteDeviceObjects& objects, ISpriteVertexRing& ring,
                                     const SpriteStates& states, const Matrix4& transform)
{
    auto* own = dynamic_cast<CGLSpriteObjects*>(&objects);
    auto* ownRing = dynamic_cast<CGLSpriteVertexRing*>(&ring);
    if (!own || !ownRing)
        throw com_exception(kResultInvalidArg);
    const auto* blend = Given<CGLSpriteBlendState>(states.blend);
    const auto* depthStencil = Given<CGLSpriteDepthStencilState>(states.depthStencil);
    const auto* rasterizer = Given<CGLSpriteRasterizerState>(states.rasterizer);
    const auto* sampler = Given<CGLSpriteSamplerState>(states.sampler);

    glstate::Bind(blend ? blend->state : glsprite::kDefaultBlend);
    glstate::Bind(depthStencil ? depthStencil->state : glsprite::kDefaultDepthStencil, glsprite::kStencilReference);
    glstate::Bind(rasterizer ? rasterizer->state : glsprite::kDefaultRasterizer);
    glBindSampler(0, sampler ? sampler->sampler : own->sampler);

    m_Renderer.UseProgram(own->program);
    glProgramUniformMatrix4fv(own->program, 0, 1, GL_FALSE, &transform.m[0][0]);
    m_VertexArray = own->vertexArray;
    glVertexArrayVertexBuffer(m_VertexArray, 0, ownRing->GetBuffer(), 0, sizeof(ModelVertex));
    glBindVertexArray(m_VertexArray);
}

void CGLSpriteContext::BindTexture(const ISpriteTexture& texture)
{
    const auto* own = dynamic_cast<const CGLSpriteTexture*>(&texture);
    if (!own)
        throw com_exception(kResultInvalidArg);
    m_Renderer.BindTexture(0, own->GetTexture());
}

void CGLSpriteContext::DrawIndexed(uint32_t indexCount, uint32_t startIndex)
{
    if (!m_VertexArray || !m_Renderer.NoteDraw())
        return;
    glBindVertexArray(m_VertexArray);
    const auto offset = static_cast<uintptr_t>(startIndex) * sizeof(uint16_t);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(offset));
}
