// The unit quad's fixed data.
#include "assets/ModelMesh.h"

#include <iterator>

const ModelVertex kUnitQuadVertices[4] = {
    {{-1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f}},
    {{1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.0f}},
    {{-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 1.0f}},
    {{1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f}},
};

const uint32_t kUnitQuadIndices[6] = {0, 1, 2, 1, 3, 2};

ModelMesh MakeUnitQuadMesh()
{
    ModelMesh mesh;
    mesh.vertices.assign(std::begin(kUnitQuadVertices), std::end(kUnitQuadVertices));
    mesh.indices.assign(std::begin(kUnitQuadIndices), std::end(kUnitQuadIndices));
    return mesh;
}
