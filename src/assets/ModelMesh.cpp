// The unit quad as a mesh.
#include "assets/ModelMesh.h"

#include <iterator>

ModelMesh MakeUnitQuadMesh()
{
    ModelMesh mesh;
    mesh.vertices.assign(std::begin(kUnitQuadVertices), std::end(kUnitQuadVertices));
    mesh.indices.assign(std::begin(kUnitQuadIndices), std::end(kUnitQuadIndices));
    return mesh;
}
