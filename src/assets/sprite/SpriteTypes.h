// Small value types of the sprite path: points, colours, texel rectangles and
// the draw options. Plain data only; the math lives where it is used.
#pragma once
#include <cstdint>

namespace DirectX {

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct Colour {
    float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
};

// A rectangle of texels; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

enum SpriteEffects : uint32_t {
    SpriteEffects_None = 0,
    SpriteEffects_FlipHorizontally = 1,
    SpriteEffects_FlipVertically = 2,
    SpriteEffects_FlipBoth = 3,
};

// Only deferred sorting is built: sprites are drawn in submission order at End.
enum SpriteSortMode : uint32_t {
    SpriteSortMode_Deferred = 0,
};

} // namespace DirectX
