// Reads a model file with the Open Asset Import Library, triangulated. Files
// compressed with gzip (.x3dz, .x3d.gz, ...) are inflated first and read by the
// type their inner name gives, since the library does not take them itself.
// It does not change the scene: flattening and conventions come later.
#pragma once
#include <string>

struct aiScene;
namespace Assimp {
class Importer;
}

// The scene, owned by importer; null with the reason in error.
const aiScene* ImportModel(Assimp::Importer& importer, const std::string& path, std::string& error);

// The type a gzip-compressed file holds, from its name: "x3d" for "a.x3dz" or "a.x3d.gz".
std::string InnerExtension(const std::string& path);
