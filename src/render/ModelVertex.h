// ModelVertex: the one vertex format of the player (models, the quad,
// full-screen passes): position, colour, texture coordinate; 36 bytes.
#pragma once
#include <cstddef>

struct ModelVertex {
    float position[3];
    float colour[4];
    float texcoord[2];
};
static_assert(sizeof(ModelVertex) == 36, "ModelVertex is laid out as the input layout expects");
static_assert(offsetof(ModelVertex, colour) == 12 && offsetof(ModelVertex, texcoord) == 28);
