// SpirvOptimizer: SPIRV-Tools over the front end's SPIR-V, doing what the Windows compiler
// does before a shader can run: legalisation (resources passed to functions, arrays of
// textures indexed in loops), unrolling of [unroll] loops and of loops whose texture
// offsets only become constant once unrolled, and constant folding. Only modules that
// need it go through it (it costs more than the rest of the translation); not a general
// optimiser: the GL driver optimises the GLSL again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// HLSL's % and fmod() take the sign of the dividend; the front end emits them as
// modulo (the divisor's sign). Turns them into remainders, before anything folds them.
void UseHlslRemainders(std::vector<uint32_t>& spirv);

// Whether the module holds something only the passes make acceptable to GL: a texture
// offset that is not a constant, or an element of an array of textures or samplers.
// Modules without either (and that the front end did not ask to legalise) skip them.
bool NeedsPasses(const std::vector<uint32_t>& spirv);

// Rewrites spirv in place; false (with the reason in log) when SPIRV-Tools refuses it.
bool OptimizeSpirv(std::vector<uint32_t>& spirv, const std::string& path, std::string& log);

// Inlines every call and turns function-local variables into plain values, nothing more:
// enough to read what a stage's outputs hold (ShaderOutputFacts), at a fraction of the
// cost of the legalisation above. The result is for reading only, not for GL.
bool ForwardLocalValues(std::vector<uint32_t>& spirv);

// GL has no separate samplers, so no arrays of them: an array of samplers whose every
// element is taken with a constant index (as unrolling leaves it) becomes one sampler per
// element, element k at the array's binding + k. Returns the number of arrays split.
int SplitSamplerArrays(std::vector<uint32_t>& spirv);

// Marks every loop holding a texture access with a non-constant offset for unrolling,
// [loop] or not: GL takes constant offsets only. Returns the number of loops marked.
int MarkLoopsWithTextureOffsets(std::vector<uint32_t>& spirv);
