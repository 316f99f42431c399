// The showcase's images, drawn from signed distances so edges are smooth at any
// size: "logo" (a synthwave sun and grid inside an eye-shaped lens, with a glow;
// transparent around it) and "tiles" (a square of rounded, glowing tiles).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // top row first, straight alpha
};

// Returns false for an unknown pattern name.
bool DrawPattern(const std::string& name, int width, int height, RgbaImage& image);
