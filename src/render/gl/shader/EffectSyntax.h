// EffectSyntax: the effect-framework parts of a .fx file that the Windows compiler skips
// when it compiles one entry point for a vs_5_0 or ps_5_0 target: technique and pass
// blocks, blend, depth-stencil and rasterizer state objects, and sampler initialisers
// (the sampler itself stays declared). They are blanked in place, newlines kept, so the
// front end's line and column numbers still point into the author's file. It does not
// check what it removes; nothing of it reaches the GL side anyway.
#pragma once
#include <string>

// Returns true when something was blanked.
bool BlankEffectSyntax(std::string& source);
