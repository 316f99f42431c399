// GL models: buffer upload and the draw.
#include "render/gl/GLModelResource.h"

#include "app/Diagnostics.h"
#include "assets/ModelMesh.h"
#include "assets/X3DModel.h"
#include "render/gl/GLRenderer.h"

CGLModelResource::CGLModelResource(std::string name, CGLRenderer& renderer)
    : CModelResource(std::move(name)), m_Renderer(renderer)
{
}

CGLModelResource::~CGLModelResource()
{
    if (m_VertexBuffer)
        glDeleteBuffers(1, &m_VertexBuffer);
    if (m_IndexBuffer)
        glDeleteBuffers(1, &m_IndexBuffer);
}

bool CGLModelResource::Load(const std::string& path)
{
    m_SourcePath = path;
    ModelMesh mesh;
    std::string error;
    if (!LoadX3DModel(path, mesh, error)) {
        diag::Report("model '" + GetName() + "': " + error);
        return false;
    }
    return Upload(mesh);
}

bool CGLModelResource::BuildQuad()
{
    return Upload(MakeUnitQuadMesh());
}

bool CGLModelResource::Upload(const ModelMesh& mesh)
{
    // Zero-sized buffers are refused, as Direct3D refuses them; a model is built once.
    if (m_VertexBuffer || mesh.vertices.empty() || mesh.indices.empty()) {
        diag::Report("model '" + GetName() + "' has no triangles");
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateBuffers(1, &m_VertexBuffer);
    glNamedBufferStorage(m_VertexBuffer, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(ModelVertex)),
                         mesh.vertices.data(), 0);
    glCreateBuffers(1, &m_IndexBuffer);
    glNamedBufferStorage(m_IndexBuffer, static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(uint32_t)),
                         mesh.indices.data(), 0);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &m_VertexBuffer);
        glDeleteBuffers(1, &m_IndexBuffer);
        m_VertexBuffer = m_IndexBuffer = 0;
        diag::Report("model '" + GetName() + "': the driver refused its buffers (" +
                     std::to_string(mesh.vertices.size()) + " vertices)");
        return false;
    }
    m_nVertexCount = static_cast<uint32_t>(mesh.vertices.size());
    m_nIndexCount = static_cast<uint32_t>(mesh.indices.size());
    return true;
}

void CGLModelResource::Draw()
{
    if (m_VertexBuffer && m_IndexBuffer)
        m_Renderer.DrawIndexed(m_VertexBuffer, m_IndexBuffer, static_cast<GLsizei>(m_nIndexCount));
}

bool CGLModelResource::Reload()
{
    if (m_SourcePath.empty())
        return false;
    CGLModelResource fresh(GetName(), m_Renderer);
    if (!fresh.Load(m_SourcePath))
        return false;
    std::swap(m_VertexBuffer, fresh.m_VertexBuffer);
    std::swap(m_IndexBuffer, fresh.m_IndexBuffer);
    std::swap(m_nVertexCount, fresh.m_nVertexCount);
    std::swap(m_nIndexCount, fresh.m_nIndexCount);
    return true;
}
