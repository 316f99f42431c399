// What ml-meshbake does to a flattened mesh before writing it: the change to
// the player's convention (left-handed, clockwise front faces), and the
// optional centring, unit scaling and vertical flip of texture coordinates.
// Model files are right-handed with counter-clockwise front faces (OBJ, glTF,
// FBX, COLLADA, X3D itself): mirroring z keeps the model's shape as its author
// saw it, and reversing every triangle keeps its front faces in front.
#pragma once
#include "BakedMesh.h"

void ToPlayerConvention(BakedMesh& mesh);
// Moves the centre of the bounding box to the origin.
void CentreMesh(BakedMesh& mesh);
// Scales uniformly so that the longest side of the bounding box is 1.
void ScaleToUnit(BakedMesh& mesh);
void ScaleMesh(BakedMesh& mesh, float factor);
// v becomes 1 - v, for models whose images are stored upside down.
void FlipV(BakedMesh& mesh);
