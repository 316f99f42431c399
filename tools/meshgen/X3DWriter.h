// Writes a mesh as an X3D file the player loads: one Shape under
// Scene/Transform/Transform/Group, an IndexedFaceSet with its Coordinate
// followed by its TextureCoordinate, space-separated numbers.
#pragma once
#include "Mesh.h"

#include <string>

bool WriteX3D(const Mesh& mesh, const std::string& path);
