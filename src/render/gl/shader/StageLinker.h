// StageLinker: the GLSL of one vertex/pixel pair, linked as Direct3D links the two
// stages of a draw: each semantic the pixel shader reads gets a location of this pair's
// own, whatever other materials use, and values cross in whole registers, so a pixel
// input may read fewer or more components than the vertex output writes (the missing
// ones read 0), arrays and matrices take one register per row. Pure text work on two
// StageTranslations: no library, no GL.
#pragma once
#include "render/gl/shader/StageTranslation.h"

#include <string>

struct LinkedSources {
    bool ok = false;
    std::string vertex; // GLSL 4.50 for glShaderSource
    std::string pixel;  // empty when the pair has no pixel stage
    std::string error;
};

// vertex must be translated; pixel may be null (a depth-only material).
LinkedSources LinkStages(const StageTranslation& vertex, const StageTranslation* pixel);
