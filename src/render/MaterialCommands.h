// The material keyword table: the three commands a material file may hold. The
// handlers take the material being loaded as context and never stop reading.
#pragma once
#include "script/ScriptReader.h"

inline constexpr int kMaterialCommandCount = 3;
extern const ScriptCommand kMaterialCommands[kMaterialCommandCount];
