// Reads the one shape of an X3D file that the player draws into a ModelMesh:
// the first IndexedFaceSet under X3D/Scene/Transform/Transform/Group/Shape,
// its Coordinate points and the TextureCoordinate points that follow them,
// triangulated face by face with unshared vertices. Transforms, appearances,
// normals and colours in the file are ignored; nothing is uploaded here.
// Files that are not X3D on that path, or too large, are refused with a
// message that says what the file is and what to do about it.
#pragma once
#include "assets/ModelMesh.h"

#include <cstddef>
#include <string>

// About 120 MB of vertices; a larger model is refused.
inline constexpr size_t kMaxModelTriangles = 1000000;

// Loads the file a script names (resolved as Windows would). On failure
// returns false, leaves `mesh` empty and says why in `error`.
bool LoadX3DModel(const std::string& scriptPath, ModelMesh& mesh, std::string& error);

// The same from the file's bytes, with a bound of its own; the error does not name a file.
bool ParseX3DModel(std::string bytes, ModelMesh& mesh, std::string& error,
                   size_t maxTriangles = kMaxModelTriangles);
