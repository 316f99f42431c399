// The unit quad in clip space: corners at +-1, texture origin top left, both
// triangles clockwise so default culling keeps them. Full-screen passes draw it;
// a model made by "createquad" holds the same data.
#pragma once
#include "render/ModelVertex.h"

#include <cstdint>

inline constexpr ModelVertex kUnitQuadVertices[4] = {
    {{-1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f}},
    {{1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.0f}},
    {{-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 1.0f}},
    {{1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f}},
};
inline constexpr uint32_t kUnitQuadIndices[6] = {0, 1, 2, 1, 3, 2};
