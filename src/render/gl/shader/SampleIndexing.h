// SampleIndexing: HLSL's sample operator on multisampled textures, "T.sample[s][xy]",
// which the Windows compiler takes and glslang's HLSL front end does not, rewritten as the
// call it stands for, "T.Load(xy, s)". Only names declared as Texture2DMS or
// Texture2DMSArray (globals or parameters) are touched; a struct member called "sample"
// stays. Line numbers hold; columns after a rewrite on its own line shift by a few. It
// does not check the operands: the front end does that on the rewritten call.
#pragma once
#include <string>

// Returns true when something was rewritten.
bool RewriteSampleIndexing(std::string& source);
