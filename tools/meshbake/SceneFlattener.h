// Flattens an imported scene into one mesh: every mesh a node refers to, once
// per reference, with the node's transform and all its parents' baked into the
// positions (a mirroring transform also turns the faces back round). Only
// triangles are kept; points and lines are counted and left out. The first
// texture coordinate set is kept, (0, 0) where a mesh has none. Positions stay
// in the file's own convention: the player's comes later.
#pragma once
#include "BakedMesh.h"

#include <string>
#include <vector>

struct aiScene;

struct FlattenResult {
    bool ok = false;
    std::string error;
    BakedMesh mesh;
    size_t skippedFaces = 0;                   // points and lines
    std::vector<std::string> meshesWithoutUVs; // each once: "name" in quotes, or #index when it has none
};

// only: empty for the whole scene, else the meshes of that name or, when no mesh
// has it, the node of that name with everything below it.
FlattenResult FlattenScene(const aiScene& scene, const std::string& only);

// A listing of the scene for --list: its meshes, then its node tree.
std::string DescribeScene(const aiScene& scene);
