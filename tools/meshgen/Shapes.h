// The showcase's models:
//   torus  - a ring about the z axis, texture coordinates around (u) and across (v) the tube;
//   gem    - a cut gem (table, crown, girdle, pavilion); its texture coordinates carry a
//            colour per corner (u: hue by angle, v: brightness by height);
//   tunnel - a tube along +z seen from inside, from z = -2 to 38, radius 1.
#pragma once
#include "Mesh.h"

#include <string>

// Returns false for an unknown shape name.
bool BuildShape(const std::string& name, Mesh& mesh);
