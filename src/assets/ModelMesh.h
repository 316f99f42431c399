// ModelMesh: a model's geometry as the back end uploads it, an indexed
// triangle list of ModelVertex with 32-bit indices, and the unit quad that
// "createquad" and the full-screen passes draw. Holds no device objects.
#pragma once
#include "render/FullScreenQuad.h"
#include "render/ModelVertex.h"

#include <cstdint>
#include <vector>

struct ModelMesh {
    std::vector<ModelVertex> vertices;
    std::vector<uint32_t> indices;
};

// The unit quad's data (clip-space corners, texture origin top left, both
// triangles clockwise on screen) is the one full-screen passes draw.
ModelMesh MakeUnitQuadMesh();
