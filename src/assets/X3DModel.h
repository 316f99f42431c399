// Reads the one shape of an X3D file that the player draws into a ModelMesh:
// the first IndexedFaceSet under X3D/Scene/Transform/Transform/Group/Shape,
// its Coordinate points and the TextureCoordinate points that follow them,
// triangulated face by face with unshared vertices. Transforms, appearances,
// normals and colours in the file are ignored; nothing is uploaded here.
#pragma once
#include "assets/ModelMesh.h"

#include <string>

// Loads the file a script names (resolved as Windows would). On failure
// returns false, leaves `mesh` empty and says why in `error`.
bool LoadX3DModel(const std::string& scriptPath, ModelMesh& mesh, std::string& error);
