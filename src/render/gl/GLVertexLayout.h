// The input layout every material shares: ModelVertex's three elements by
// semantic, each at the fixed attribute location the shader translator gives
// that semantic. One table, so the two cannot drift apart.
#pragma once
#include "render/ModelVertex.h"

#include <cstddef>
#include <epoxy/gl.h>

struct GLVertexElement {
    const char* semantic;
    GLuint location;
    GLint components;
    GLuint offset;
};

inline constexpr GLVertexElement kModelVertexLayout[] = {
    {"POSITION", 0, 3, offsetof(ModelVertex, position)},
    {"COLOR", 1, 4, offsetof(ModelVertex, colour)},
    {"TEXCOORD", 2, 2, offsetof(ModelVertex, texcoord)},
};
