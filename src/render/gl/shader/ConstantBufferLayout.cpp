#include "render/gl/shader/ConstantBufferLayout.h"

#include <spirv_cross/spirv_cross.hpp>

namespace {

constexpr uint32_t kRegister = 16;

uint32_t RoundUp(uint32_t v) { return (v + kRegister - 1) / kRegister * kRegister; }

// A scalar, vector or matrix: a matrix's last register holds only what it uses.
uint32_t PlainSize(const spirv_cross::SPIRType& type, bool rowMajor)
{
    const uint32_t component = type.width / 8;
    if (type.columns > 1) {
        const uint32_t registers = rowMajor ? type.vecsize : type.columns;
        const uint32_t length = rowMajor ? type.columns : type.vecsize;
        return (registers - 1) * kRegister + length * component;
    }
    return type.vecsize * component;
}

uint32_t ArrayLength(const spirv_cross::SPIRType& type)
{
    return type.array_size_literal.back() ? type.array.back() : 1;
}

// Whether a member of this type starts on a register of its own.
bool StartsRegister(const spirv_cross::SPIRType& type)
{
    return !type.array.empty() || type.basetype == spirv_cross::SPIRType::Struct || type.columns > 1;
}

uint32_t Layout(spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor, bool apply, int depth);

uint32_t LayoutStruct(spirv_cross::Compiler& compiler, uint32_t structId, bool applyOffsets, int depth)
{
    // Types nest only as deep as the source wrote them; a bound keeps a hostile module finite.
    if (depth > 64)
        return 0;
    const spirv_cross::SPIRType& type = compiler.get_type(structId);
    uint32_t cursor = 0;
    for (uint32_t i = 0; i < type.member_types.size(); ++i) {
        const uint32_t memberType = type.member_types[i];
        const bool rowMajor = compiler.has_member_decoration(structId, i, spv::DecorationRowMajor);
        const uint32_t size = Layout(compiler, memberType, rowMajor, true, depth + 1);
        const spirv_cross::SPIRType& member = compiler.get_type(memberType);
        if (StartsRegister(member) || cursor % kRegister + size > kRegister)
            cursor = RoundUp(cursor);
        if (applyOffsets)
            compiler.set_member_decoration(structId, i, spv::DecorationOffset, cursor);
        if (member.columns > 1)
            compiler.set_member_decoration(structId, i, spv::DecorationMatrixStride, kRegister);
        const uint32_t offset = compiler.get_member_decoration(structId, i, spv::DecorationOffset);
        cursor = std::max(cursor, offset) + size;
    }
    return cursor;
}

uint32_t Layout(spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor, bool apply, int depth)
{
    const spirv_cross::SPIRType& type = compiler.get_type(typeId);
    if (!type.array.empty()) {
        const uint32_t element = Layout(compiler, type.parent_type, rowMajor, apply, depth + 1);
        if (apply)
            compiler.set_decoration(typeId, spv::DecorationArrayStride, RoundUp(element));
        const uint32_t count = ArrayLength(type);
        return count == 0 ? 0 : (count - 1) * RoundUp(element) + element;
    }
    if (type.basetype == spirv_cross::SPIRType::Struct)
        return apply ? LayoutStruct(compiler, type.self, true, depth) : D3DSize(compiler, typeId, rowMajor);
    return PlainSize(type, rowMajor);
}

// Bytes a member takes in GL's explicit layout: an array, a matrix or a structure fills
// its last register, where Direct3D lets the next member share it.
uint32_t GlExtent(const spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor, int depth)
{
    if (depth > 64)
        return 0;
    const spirv_cross::SPIRType& type = compiler.get_type(typeId);
    if (!type.array.empty()) {
        const uint32_t count = type.array_size_literal.back() ? type.array.back() : 1;
        const uint32_t stride = compiler.has_decoration(typeId, spv::DecorationArrayStride)
                                    ? compiler.get_decoration(typeId, spv::DecorationArrayStride)
                                    : kRegister;
        return stride * count;
    }
    if (type.basetype == spirv_cross::SPIRType::Struct) {
        uint32_t end = 0;
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            const uint32_t offset = compiler.get_member_decoration(type.self, i, spv::DecorationOffset);
            const bool memberRowMajor = compiler.has_member_decoration(type.self, i, spv::DecorationRowMajor);
            end = std::max(end, offset + GlExtent(compiler, type.member_types[i], memberRowMajor, depth + 1));
        }
        return (end + kRegister - 1) / kRegister * kRegister;
    }
    if (type.columns > 1)
        return (rowMajor ? type.vecsize : type.columns) * kRegister;
    return type.vecsize * (type.width / 8);
}

bool Ascend(const spirv_cross::Compiler& compiler, uint32_t structId, int depth)
{
    if (depth > 64)
        return false;
    const spirv_cross::SPIRType& type = compiler.get_type(structId);
    for (uint32_t i = 0; i < type.member_types.size(); ++i) {
        if (i > 0) {
            const uint32_t before = compiler.get_member_decoration(structId, i - 1, spv::DecorationOffset);
            const bool rowMajor = compiler.has_member_decoration(structId, i - 1, spv::DecorationRowMajor);
            if (compiler.get_member_decoration(structId, i, spv::DecorationOffset) <
                before + std::max(1u, GlExtent(compiler, type.member_types[i - 1], rowMajor, depth + 1)))
                return false;
        }
        const spirv_cross::SPIRType& member = compiler.get_type(type.member_types[i]);
        if (member.basetype == spirv_cross::SPIRType::Struct && !Ascend(compiler, member.self, depth + 1))
            return false;
    }
    return true;
}

uint32_t Size(const spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor, int depth)
{
    if (depth > 64)
        return 0;
    const spirv_cross::SPIRType& type = compiler.get_type(typeId);
    if (!type.array.empty()) {
        const uint32_t element = Size(compiler, type.parent_type, rowMajor, depth + 1);
        const uint32_t count = ArrayLength(type);
        return count == 0 ? 0 : (count - 1) * RoundUp(element) + element;
    }
    if (type.basetype == spirv_cross::SPIRType::Struct) {
        uint32_t end = 0;
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            const uint32_t offset = compiler.get_member_decoration(type.self, i, spv::DecorationOffset);
            const bool memberRowMajor = compiler.has_member_decoration(type.self, i, spv::DecorationRowMajor);
            end = std::max(end, offset + Size(compiler, type.member_types[i], memberRowMajor, depth + 1));
        }
        return end;
    }
    return PlainSize(type, rowMajor);
}

} // namespace

uint32_t ApplyD3DPacking(spirv_cross::Compiler& compiler, uint32_t blockTypeId, bool keepMemberOffsets)
{
    return LayoutStruct(compiler, blockTypeId, !keepMemberOffsets, 0);
}

uint32_t D3DSize(const spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor)
{
    return Size(compiler, typeId, rowMajor, 0);
}

bool OffsetsAscend(const spirv_cross::Compiler& compiler, uint32_t structTypeId)
{
    return Ascend(compiler, structTypeId, 0);
}
