// ShaderOutputFacts: what a translated shader stage provably writes, read off
// its SPIR-V before it becomes GLSL. The renderer uses them to skip pixel work
// that cannot change a pixel: a full-screen pass whose vertex stage covers the
// target and whose pixel stage is opaque overwrites every pixel, so the target
// needs no clear and the pass no blending. The reading follows values only
// through copies, constructions, extractions and shuffles, and answers false
// whenever it cannot tell; it never runs arithmetic, so it never guesses.
#pragma once
#include <cstdint>
#include <vector>

struct ShaderOutputFacts {
    // Vertex stage: for each corner of the full-screen quad the position output
    // is that corner unchanged (w 1, depth within 0..1), whatever the constants:
    // the quad then covers every pixel of the target, each once.
    bool coversTarget = false;
    // Pixel stage: every invocation writes target 0 with alpha exactly 1 (no
    // discard, no coverage output). Blended with the renderer's alpha blending
    // over opaque black, such a colour lands unchanged, as without blending.
    bool opaque = false;
};

// A quick look that rules out facts without reading values: a pixel stage with no
// constant 1.0 anywhere cannot write alpha 1. True where facts remain possible.
bool MayHaveOutputFacts(const std::vector<uint32_t>& spirv);

// Malformed or unexpected input gives no facts (both false).
ShaderOutputFacts ReadShaderOutputFacts(const std::vector<uint32_t>& spirv);
