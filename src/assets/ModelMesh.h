// ModelMesh: a model's geometry as the back end uploads it, an indexed
// triangle list of ModelVertex with 32-bit indices, and the unit quad that
// "createquad" and the full-screen passes draw. Holds no device objects.
#pragma once
#include "render/ModelVertex.h"

#include <cstdint>
#include <vector>

struct ModelMesh {
    std::vector<ModelVertex> vertices;
    std::vector<uint32_t> indices;
};

// Clip-space corners, texture origin top left, both triangles clockwise on screen.
extern const ModelVertex kUnitQuadVertices[4];
extern const uint32_t kUnitQuadIndices[6];

ModelMesh MakeUnitQuadMesh();
