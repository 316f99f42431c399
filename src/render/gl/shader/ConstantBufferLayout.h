// ConstantBufferLayout: Direct3D's packing rules for constant buffers, applied to the
// SPIR-V types of a buffer: a scalar or vector never straddles a 16-byte register; arrays,
// matrices and structures start on a register, each array element on its own register;
// what follows an array, matrix or structure may share its last register. Sizes are
// Direct3D's (no padding after the last element). Offsets written with packoffset are
// kept. The GLSL that reads such a layout is not made here.
#pragma once
#include <cstdint>

namespace spirv_cross {
class Compiler;
}

// Lays out the block's members (keepMemberOffsets: they come from packoffset), nested
// structures and array strides, as decorations on the types. Returns the size.
uint32_t ApplyD3DPacking(spirv_cross::Compiler& compiler, uint32_t blockTypeId, bool keepMemberOffsets);

// Direct3D's size of a value of the type (rowMajor: the member is declared row-major).
uint32_t D3DSize(const spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor);

// Every member past the whole of the one before as GL counts it (an array, matrix or
// structure fills its last register), at every level: what GLSL's explicit offsets need.
bool OffsetsAscend(const spirv_cross::Compiler& compiler, uint32_t structTypeId);
