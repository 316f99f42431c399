// Effect targets and the full-screen pass.
#include "render/gl/GLPostProcessResource.h"

#include "app/Diagnostics.h"
#include "render/FullScreenQuad.h"
#include "render/gl/GLMaterialResource.h"
#include "render/gl/GLRenderer.h"
#include "render/gl/GLTextureResource.h"

CGLPostProcessResource::CGLPostProcessResource(std::string name, CGLRenderer& renderer)
    : CPostProcessResource(std::move(name)), m_Renderer(renderer)
{
}

CGLPostProcessResource::~CGLPostProcessResource()
{
    Destroy();
}

bool CGLPostProcessResource::Create()
{
    auto target = std::make_unique<CGLTextureResource>("postprocess_" + GetName() + "_texture", m_Renderer);
    if (!target->CreateRenderTarget(m_Renderer.Width(), m_Renderer.Height()))
        diag::Report("effect '" + GetName() + "' has no render target; its stage draws nothing");
    m_pTarget = std::move(target);

    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateBuffers(1, &m_VertexBuffer);
    glNamedBufferStorage(m_VertexBuffer, sizeof(kUnitQuadVertices), kUnitQuadVertices, 0);
    glCreateBuffers(1, &m_IndexBuffer);
    glNamedBufferStorage(m_IndexBuffer, sizeof(kUnitQuadIndices), kUnitQuadIndices, 0);
    if (!m_VertexBuffer || !m_IndexBuffer || glGetError() != GL_NO_ERROR) {
        diag::Report("effect '" + GetName() + "': the quad buffers could not be made");
        return false;
    }
    return true;
}

void CGLPostProcessResource::Destroy()
{
    if (m_VertexBuffer)
        glDeleteBuffers(1, &m_VertexBuffer);
    if (m_IndexBuffer)
        glDeleteBuffers(1, &m_IndexBuffer);
    m_VertexBuffer = 0;
    m_IndexBuffer = 0;
    m_pTarget.reset();
}

void CGLPostProcessResource::BindAsTarget()
{
    const auto* target = static_cast<CGLTextureResource*>(m_pTarget.get());
    if (!target || !target->GetFramebuffer())
        return;
    m_Renderer.BindRenderTarget(target->GetFramebuffer(), target->GetTexture());
    m_Renderer.ClearTarget(target->GetFramebuffer(), true, true);
}

void CGLPostProcessResource::BindForPass(bool clearColour)
{
    const auto* target = static_cast<CGLTextureResource*>(m_pTarget.get());
    if (!target || !target->GetFramebuffer())
        return;
    m_Renderer.BindRenderTarget(target->GetFramebuffer(), target->GetTexture());
    if (clearColour)
        m_Renderer.ClearTarget(target->GetFramebuffer(), true, false);
}

bool CGLPostProcessResource::OverwritesTarget() const
{
    const auto* material = dynamic_cast<const CGLMaterialResource*>(GetMaterial());
    return m_VertexBuffer && m_IndexBuffer && material && material->OverwritesTarget();
}

void CGLPostProcessResource::Render()
{
    CPostProcessResource::Render();
    if (m_VertexBuffer && m_IndexBuffer)
        m_Renderer.DrawPass(m_VertexBuffer, m_IndexBuffer, 6, OverwritesTarget());
}
