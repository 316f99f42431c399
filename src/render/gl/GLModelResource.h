// CGLModelResource: a model on GL: the vertex and index buffers of an X3D
// file's mesh or of the unit quad, filled once, and the indexed triangle draw
// with the shared ModelVertex layout under whatever states are bound (scene
// geometry keeps the renderer's default ones). Parsing X3D is not done here.
#pragma once
#include "render/ModelResource.h"

#include <epoxy/gl.h>

class CGLRenderer;
struct ModelMesh;

class CGLModelResource : public CModelResource {
public:
    CGLModelResource(std::string name, CGLRenderer& renderer);
    ~CGLModelResource() override;

    // Loads the one shape of an X3D file; false (and a report) when the file
    // cannot be read, yields no triangle or the buffers cannot be made.
    bool Load(const std::string& path) override;
    // The unit quad: 4 vertices, 6 indices.
    bool BuildQuad();
    void Draw() override;

    bool Reload() override;

private:
    bool Upload(const ModelMesh& mesh);

    CGLRenderer& m_Renderer;
    GLuint m_VertexBuffer = 0;
    GLuint m_IndexBuffer = 0;
};
