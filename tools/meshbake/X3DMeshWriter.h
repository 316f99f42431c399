// Writes a mesh as the X3D file the player loads: one Shape under
// X3D/Scene/Transform/Transform/Group, an IndexedFaceSet of triangles whose
// Coordinate is followed by its TextureCoordinate. Numbers are separated by
// spaces only and written with as many digits as the float needs to read back
// exactly. ccw="false" tells other X3D readers that faces are clockwise; the
// player ignores it, as it ignores everything off its path.
#pragma once
#include "BakedMesh.h"

#include <string>

std::string X3DText(const BakedMesh& mesh);
// False when the file cannot be written completely.
bool WriteX3DFile(const BakedMesh& mesh, const std::string& path);
