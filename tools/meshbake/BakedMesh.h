// The one mesh ml-meshbake writes: vertices of a position and a texture
// coordinate, and triangles as three vertex indices each. Texture coordinates
// have their origin at the image's bottom left, as X3D and most model files
// keep them; the player turns them to top-left when it loads the file.
#pragma once
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

struct BakedMesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> texcoords; // one per position
    std::vector<uint32_t> indices;               // three per triangle

    size_t TriangleCount() const { return indices.size() / 3; }
    // The player's number lists end at anything that is not a finite number.
    bool PositionsFinite() const
    {
        for (const auto& p : positions)
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
                return false;
        return true;
    }
};
