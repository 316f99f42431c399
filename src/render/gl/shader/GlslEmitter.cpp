// SPIRV-Cross, subclassed where the GL side needs something it does not do on its own:
// constant buffers read from registers, and stage varyings left undeclared.
#include "render/gl/shader/GlslEmitter.h"

#include "render/gl/shader/ConstantBufferLayout.h"

#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string Lowercase(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Direct3D semantic key: uppercased, with the implicit index 0 made explicit ("TEXCOORD" ==
// "TEXCOORD0"). Returns the name part and the index separately.
std::pair<std::string, uint32_t> SplitSemantic(const std::string& semantic)
{
    std::string name;
    for (char c : semantic)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    uint32_t index = 0;
    if (digits < name.size() && name.size() - digits < 9)
        index = static_cast<uint32_t>(std::stoul(name.substr(digits)));
    name.resize(digits);
    return {name, index};
}

// ModelVertex's three elements, each at a fixed attribute location.
struct VertexInputSlot {
    const char* semantic;
    uint32_t location;
};
constexpr std::array<VertexInputSlot, 3> kVertexInputs{{
    {"POSITION", 0},
    {"COLOR", 1},
    {"TEXCOORD", 2},
}};
constexpr uint32_t kFirstUnmatchedInputLocation = static_cast<uint32_t>(kVertexInputs.size());

// GLSL names of scalar and vector types by base type.
struct BaseTypeName {
    spirv_cross::SPIRType::BaseType base;
    const char* scalar;
    const char* vectorPrefix;
    char code; // StageVarying::baseType
};
constexpr std::array<BaseTypeName, 4> kBaseTypes{{
    {spirv_cross::SPIRType::Float, "float", "vec", 'f'},
    {spirv_cross::SPIRType::Int, "int", "ivec", 'i'},
    {spirv_cross::SPIRType::UInt, "uint", "uvec", 'u'},
    {spirv_cross::SPIRType::Boolean, "bool", "bvec", 'u'},
}};

const BaseTypeName* FindBase(spirv_cross::SPIRType::BaseType base)
{
    for (const BaseTypeName& b : kBaseTypes)
        if (b.base == base)
            return &b;
    return nullptr;
}

// Where in a register array a value lies: a register index expression plus a byte offset
// known at translation time (array elements always start a register, so only whole
// registers depend on loop counters).
struct RegisterAddress {
    std::string dynamic; // "" or "ml_i0 * 2 + ..."
    uint32_t bytes = 0;
    RegisterAddress Plus(uint32_t more) const { return {dynamic, bytes + more}; }
    std::string Register() const
    {
        const std::string fixed = std::to_string(bytes / 16);
        return dynamic.empty() ? fixed : dynamic + fixed;
    }
    uint32_t Component() const { return bytes % 16 / 4; }
};

class CGlslEmitter : public spirv_cross::CompilerGLSL {
public:
    explicit CGlslEmitter(std::vector<uint32_t> spirv) : CompilerGLSL(std::move(spirv)) {}

    // The buffer is read from registers into a private copy: its layout has no std140 form.
    void UseRegisters(spirv_cross::VariableID id, uint32_t binding, uint32_t size)
    {
        m_Registers.emplace(id, RegisterBuffer{binding, std::max(1u, (size + 15) / 16)});
    }
    const std::vector<std::string>& Prologue() const { return m_Prologue; }

    // Whether std140 with explicit offsets holds the block as it is laid out now.
    bool FitsStd140(const spirv_cross::SPIRType& block)
    {
        try {
            buffer_to_packing_standard(block, false);
            return true;
        } catch (const spirv_cross::CompilerError&) {
            return false;
        }
    }

    std::string Declaration(uint32_t typeId, const std::string& name)
    {
        return variable_decl(get_type(typeId), name);
    }

protected:
    // Where the front end's SPIR-V says something other than what HLSL means.
    void emit_instruction(const spirv_cross::Instruction& instruction) override
    {
        const uint32_t* ops = stream(instruction);
        switch (static_cast<spv::Op>(instruction.op)) {
        case spv::OpAll:
        case spv::OpAny:
            // all() and any() of a scalar are the scalar; GLSL has them for vectors only.
            if (instruction.length >= 3 && expression_type(ops[2]).vecsize == 1) {
                emit_op(ops[0], ops[1], to_enclosed_expression(ops[2]), should_forward(ops[2]));
                inherit_expression_dependencies(ops[1], ops[2]);
                return;
            }
            break;
        default:
            break;
        }
        CompilerGLSL::emit_instruction(instruction);
    }

    void emit_buffer_block(const spirv_cross::SPIRVariable& var) override
    {
        auto found = m_Registers.find(var.self);
        if (found == m_Registers.end()) {
            CompilerGLSL::emit_buffer_block(var);
            return;
        }
        const spirv_cross::SPIRType& type = get<spirv_cross::SPIRType>(var.basetype);
        const std::string typeName = to_name(type.self, false);
        const std::string instance = to_name(var.self);
        const std::string registers = "ml_cb" + std::to_string(found->second.binding);
        statement("layout(binding = ", found->second.binding, ", std140) uniform ", registers, "_block");
        begin_scope();
        statement("uvec4 ", registers, "[", found->second.count, "];");
        end_scope_decl();
        statement("struct ", typeName);
        begin_scope();
        for (uint32_t i = 0; i < type.member_types.size(); ++i)
            statement(variable_decl(get<spirv_cross::SPIRType>(type.member_types[i]), to_member_name(type, i)), ";");
        end_scope_decl();
        statement(typeName, " ", instance, ";");
        statement("");
        const std::string function = "ml_unpack_" + registers;
        statement("void ", function, "()");
        begin_scope();
        for (uint32_t i = 0; i < type.member_types.size(); ++i)
            Unpack(instance + "." + to_member_name(type, i), type.member_types[i],
                   has_member_decoration(type.self, i, spv::DecorationRowMajor),
                   {"", get_member_decoration(type.self, i, spv::DecorationOffset)}, registers, 0);
        end_scope();
        statement("");
        m_Prologue.push_back(function + "();");
    }

private:
    struct RegisterBuffer {
        uint32_t binding;
        uint32_t count;
    };

    std::string Read(const std::string& registers, const RegisterAddress& at, uint32_t components,
                     spirv_cross::SPIRType::BaseType base)
    {
        std::string raw;
        if (at.Component() + components <= 4) {
            raw = registers + "[" + at.Register() + "]." + std::string("xyzw").substr(at.Component(), components);
        } else {
            raw = "uvec" + std::to_string(components) + "(";
            for (uint32_t c = 0; c < components; ++c) {
                const RegisterAddress part = at.Plus(4 * c);
                raw += (c ? ", " : "") + registers + "[" + part.Register() + "]." + "xyzw"[part.Component()];
            }
            raw += ")";
        }
        const std::string n = std::to_string(components);
        switch (base) {
        case spirv_cross::SPIRType::Float:
            return "uintBitsToFloat(" + raw + ")";
        case spirv_cross::SPIRType::Int:
            return (components == 1 ? "int(" : "ivec" + n + "(") + raw + ")";
        case spirv_cross::SPIRType::Boolean:
            return components == 1 ? "(" + raw + " != 0u)" : "notEqual(" + raw + ", uvec" + n + "(0u))";
        case spirv_cross::SPIRType::UInt:
            return raw;
        default:
            throw spirv_cross::CompilerError("a constant buffer member of a type this back end cannot read");
        }
    }

    void Unpack(const std::string& lhs, uint32_t typeId, bool rowMajor, RegisterAddress at,
                const std::string& registers, int depth)
    {
        if (depth > 16)
            throw spirv_cross::CompilerError("constant buffer types nest too deep");
        const spirv_cross::SPIRType& type = get_type(typeId);
        if (!type.array.empty()) {
            const uint32_t count = type.array_size_literal.back() ? type.array.back() : 1;
            const uint32_t stride = (D3DSize(*this, type.parent_type, rowMajor) + 15) / 16; // registers
            const std::string i = "ml_i" + std::to_string(depth);
            statement("for (int ", i, " = 0; ", i, " < ", count, "; ++", i, ")");
            begin_scope();
            RegisterAddress element{at.dynamic + i + " * " + std::to_string(stride) + " + ", at.bytes};
            Unpack(lhs + "[" + i + "]", type.parent_type, rowMajor, element, registers, depth + 1);
            end_scope();
            return;
        }
        if (type.basetype == spirv_cross::SPIRType::Struct) {
            for (uint32_t m = 0; m < type.member_types.size(); ++m)
                Unpack(lhs + "." + to_member_name(type, m), type.member_types[m],
                       has_member_decoration(type.self, m, spv::DecorationRowMajor),
                       at.Plus(get_member_decoration(type.self, m, spv::DecorationOffset)), registers, depth + 1);
            return;
        }
        if (type.width != 32)
            throw spirv_cross::CompilerError("a constant buffer member of a type this back end cannot read");
        if (type.columns > 1) {
            for (uint32_t c = 0; c < type.columns; ++c) {
                std::string column;
                if (!rowMajor) {
                    column = Read(registers, at.Plus(16 * c), type.vecsize, type.basetype);
                } else {
                    column = "vec" + std::to_string(type.vecsize) + "(";
                    for (uint32_t r = 0; r < type.vecsize; ++r)
                        column += (r ? ", " : "") + Read(registers, at.Plus(16 * r + 4 * c), 1, type.basetype);
                    column += ")";
                }
                statement(lhs, "[", c, "] = ", column, ";");
            }
            return;
        }
        statement(lhs, " = ", Read(registers, at, type.vecsize, type.basetype), ";");
    }

    std::unordered_map<uint32_t, RegisterBuffer> m_Registers;
    std::vector<std::string> m_Prologue;
};

// Names GL sees: each stage's blocks and samplers carry a stage prefix, since GL would merge
// same-named uniforms of the two stages into one.
std::string StagePrefix(ShaderStage stage) { return stage == ShaderStage::Vertex ? "vs_" : "ps_"; }

size_t OrderOf(const Declarations& declarations, const std::string& name, uint32_t id)
{
    auto it = declarations.find(name);
    return it == declarations.end() ? declarations.size() + id : it->second.order;
}

void ReflectConstantBuffers(CGlslEmitter& compiler, const spirv_cross::ShaderResources& resources,
                            const Declarations& declarations, ShaderStage stage, StageTranslation& result)
{
    std::vector<const spirv_cross::Resource*> buffers;
    for (const auto& buffer : resources.uniform_buffers)
        buffers.push_back(&buffer);
    std::stable_sort(buffers.begin(), buffers.end(), [&](const auto* a, const auto* b) {
        return OrderOf(declarations, compiler.get_name(a->base_type_id), a->id) <
               OrderOf(declarations, compiler.get_name(b->base_type_id), b->id);
    });
    if (buffers.size() > kConstantBuffersPerStage)
        throw spirv_cross::CompilerError("the shader uses " + std::to_string(buffers.size()) +
                                         " constant buffers; a stage has " +
                                         std::to_string(kConstantBuffersPerStage));

    const uint32_t base = stage == ShaderStage::Vertex ? 0 : kPixelUniformBindingBase;
    for (const spirv_cross::Resource* buffer : buffers) {
        const uint32_t typeId = buffer->base_type_id;
        const spirv_cross::SPIRType& type = compiler.get_type(typeId);
        const std::string name = compiler.get_name(typeId);
        auto declared = declarations.find(name);
        const bool packOffset = declared != declarations.end() && declared->second.hasPackOffset;
        ApplyD3DPacking(compiler, typeId, packOffset);

        ReflectedConstantBuffer record;
        // glslang gathers loose globals into "$Global"; Direct3D calls that buffer "$Globals".
        record.name = Lowercase(name == "$Global" ? "$Globals" : name);
        record.glBinding = base + static_cast<uint32_t>(result.constantBuffers.size());
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            ReflectedVariable variable;
            variable.name = Lowercase(compiler.get_member_name(typeId, i));
            variable.offset = compiler.get_member_decoration(typeId, i, spv::DecorationOffset);
            variable.size = D3DSize(compiler, type.member_types[i],
                                    compiler.has_member_decoration(typeId, i, spv::DecorationRowMajor));
            record.size = std::max(record.size, variable.offset + variable.size);
            record.variables.push_back(std::move(variable));
        }
        record.size = (record.size + 15) & ~15u;

        compiler.unset_decoration(buffer->id, spv::DecorationDescriptorSet);
        compiler.set_decoration(buffer->id, spv::DecorationBinding, record.glBinding);
        compiler.set_name(typeId, StagePrefix(stage) + (name == "$Global" ? "Globals" : name));
        if (!OffsetsAscend(compiler, typeId) || !compiler.FitsStd140(type))
            compiler.UseRegisters(buffer->id, record.glBinding, record.size);
        result.constantBuffers.push_back(std::move(record));
    }
}

// Textures the stage uses, each at its t register; Direct3D places a texture without a
// register at the lowest free one, in declaration order.
void ReflectTextures(CGlslEmitter& compiler, const spirv_cross::ShaderResources& resources,
                     const Declarations& declarations, ShaderStage stage, StageTranslation& result)
{
    auto hasRegister = [&](const spirv_cross::Resource* r) {
        auto it = declarations.find(compiler.get_name(r->id));
        return it != declarations.end() && it->second.hasRegister;
    };
    std::vector<const spirv_cross::Resource*> images;
    std::unordered_set<uint32_t> taken;
    for (const auto& image : resources.separate_images) {
        images.push_back(&image);
        if (hasRegister(&image))
            taken.insert(compiler.get_decoration(image.id, spv::DecorationBinding));
    }
    std::stable_sort(images.begin(), images.end(), [&](const auto* a, const auto* b) {
        return OrderOf(declarations, compiler.get_name(a->id), a->id) <
               OrderOf(declarations, compiler.get_name(b->id), b->id);
    });

    std::unordered_map<uint32_t, uint32_t> unitOfImage;
    uint32_t nextFree = 0;
    for (const spirv_cross::Resource* image : images) {
        ReflectedTexture texture;
        texture.name = compiler.get_name(image->id);
        if (hasRegister(image)) {
            texture.bindPoint = compiler.get_decoration(image->id, spv::DecorationBinding);
        } else {
            while (taken.count(nextFree))
                ++nextFree;
            texture.bindPoint = nextFree;
            taken.insert(nextFree);
        }
        texture.glUnit = texture.bindPoint;
        unitOfImage[image->id] = texture.glUnit;
        result.textures.push_back(std::move(texture));
    }

    for (const spirv_cross::CombinedImageSampler& combined : compiler.get_combined_image_samplers()) {
        auto unit = unitOfImage.find(combined.image_id);
        compiler.set_decoration(combined.combined_id, spv::DecorationBinding,
                                unit == unitOfImage.end() ? 0 : unit->second);
        compiler.unset_decoration(combined.combined_id, spv::DecorationDescriptorSet);
        std::string samplerName = compiler.get_name(combined.sampler_id);
        compiler.set_name(combined.combined_id, StagePrefix(stage) + compiler.get_name(combined.image_id) +
                                                    (samplerName.empty() ? "" : "_" + samplerName));
    }
}

StageVarying DescribeVarying(CGlslEmitter& compiler, const spirv_cross::Resource& io, const std::string& name,
                             uint32_t index, size_t repeat)
{
    const spirv_cross::SPIRType& type = compiler.get_type(io.type_id);
    const BaseTypeName* base = FindBase(type.basetype);
    if (!base || type.basetype == spirv_cross::SPIRType::Boolean || type.array.size() > 1 ||
        type.basetype == spirv_cross::SPIRType::Struct)
        throw spirv_cross::CompilerError("the stage input or output " + name + std::to_string(index) +
                                         " has a type this back end cannot pass between stages");
    StageVarying v;
    v.semantic = name;
    v.index = index;
    v.name = "ml_v_" + name + std::to_string(index) + (repeat ? "_" + std::to_string(repeat) : "");
    v.baseType = base->code;
    v.components = type.vecsize;
    v.columns = type.columns;
    v.arraySize = type.array.empty() ? 0 : (type.array_size_literal[0] ? type.array[0] : 1);
    if (v.Registers() > 32)
        throw spirv_cross::CompilerError("the stage input or output " + name + std::to_string(index) +
                                         " takes more than the 32 registers a stage has");
    v.flat = compiler.has_decoration(io.id, spv::DecorationFlat);
    v.noPerspective = compiler.has_decoration(io.id, spv::DecorationNoPerspective);
    v.centroid = compiler.has_decoration(io.id, spv::DecorationCentroid);
    v.sample = compiler.has_decoration(io.id, spv::DecorationSample);
    compiler.set_name(io.id, v.name);
    v.declaration = compiler.Declaration(io.type_id, v.name);
    return v;
}

// The front end splits an array member of an input or output struct into one variable
// per element ("o.taps[3]"), each carrying the array's semantic; element k starts k
// elements' registers further on, as Direct3D places it.
uint32_t FlattenedElement(const std::string& name)
{
    if (name.empty() || name.back() != ']')
        return 0;
    const size_t open = name.rfind('[');
    if (open == std::string::npos || name.size() - open > 8)
        return 0;
    uint32_t k = 0;
    for (size_t i = open + 1; i + 1 < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        k = k * 10 + static_cast<uint32_t>(name[i] - '0');
    }
    return k;
}

// Vertex inputs go to ModelVertex's attribute locations; the varyings of both stages
// become private globals, declared and placed when a vertex/pixel pair is linked.
void DescribeStageInterface(CGlslEmitter& compiler, const spirv_cross::ShaderResources& resources,
                            ShaderStage stage, const std::string& path, StageTranslation& result)
{
    uint32_t nextUnmatched = kFirstUnmatchedInputLocation;
    auto semanticOf = [&](const spirv_cross::Resource& io) -> std::string {
        if (compiler.has_decoration(io.id, spv::DecorationBuiltIn))
            return {};
        return compiler.get_decoration_string(io.id, spv::DecorationUserSemantic);
    };
    std::unordered_multiset<std::string> seen;
    auto varying = [&](const spirv_cross::Resource& io) {
        const std::string semantic = semanticOf(io);
        if (semantic.empty())
            return;
        auto [name, index] = SplitSemantic(semantic);
        index += FlattenedElement(compiler.get_name(io.id)) * std::max(1u, compiler.get_type(io.type_id).columns);
        // Two outputs cannot share a register; two inputs may read the same one.
        const size_t repeat = seen.count(name + std::to_string(index));
        if (stage == ShaderStage::Vertex && repeat)
            throw spirv_cross::CompilerError("the semantic " + semantic + " is used twice");
        seen.insert(name + std::to_string(index));
        result.varyings.push_back(DescribeVarying(compiler, io, name, index, repeat));
        compiler.unset_decoration(io.id, spv::DecorationLocation);
        compiler.set_remapped_variable_state(io.id, true);
    };
    if (stage == ShaderStage::Vertex) {
        for (const auto& input : resources.stage_inputs) {
            const std::string semantic = semanticOf(input);
            if (semantic.empty())
                continue;
            // Not a structured binding: clang 14 cannot capture one in a lambda.
            const auto split = SplitSemantic(semantic);
            const auto& name = split.first;
            const auto index = split.second;
            auto slot = std::find_if(kVertexInputs.begin(), kVertexInputs.end(), [&](const VertexInputSlot& s) {
                return index == 0 && name == s.semantic;
            });
            uint32_t location = slot != kVertexInputs.end() ? slot->location : nextUnmatched++;
            if (slot == kVertexInputs.end()) {
                result.inputLayoutOk = false;
                result.log += path + ": note: vertex input " + semantic + " is not one of the vertex format's\n";
            }
            compiler.set_decoration(input.id, spv::DecorationLocation, location);
            compiler.set_name(input.id, "in_" + name + std::to_string(index));
        }
        for (const auto& output : resources.stage_outputs)
            varying(output);
    } else {
        for (const auto& input : resources.stage_inputs)
            varying(input);
    }
}

} // namespace

void EmitGlsl(std::vector<uint32_t> spirv, const Declarations& declarations, ShaderStage stage,
              const std::string& path, StageTranslation& result)
{
    CGlslEmitter compiler(std::move(spirv));
    spirv_cross::CompilerGLSL::Options options;
    options.version = 450;
    options.es = false;
    options.vulkan_semantics = false;
    // Clip space stays Direct3D's: the back end sets glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE).
    options.vertex.fixup_clipspace = false;
    options.vertex.flip_vert_y = false;
    compiler.set_common_options(options);
    // With the clip control above, GL's default gl_FragCoord already equals SV_Position.
    compiler.unset_execution_mode(spv::ExecutionModeOriginUpperLeft);

    compiler.build_dummy_sampler_for_combined_images(); // Texture2D.Load needs no sampler in HLSL
    compiler.build_combined_image_samplers();
    // Only what the entry point uses is emitted: an unused constant buffer may have a
    // layout GL cannot express, and Direct3D does not bind it either.
    auto active = compiler.get_active_interface_variables();
    const spirv_cross::ShaderResources resources = compiler.get_shader_resources(active);
    compiler.set_enabled_interface_variables(std::move(active));
    ReflectConstantBuffers(compiler, resources, declarations, stage, result);
    ReflectTextures(compiler, resources, declarations, stage, result);
    DescribeStageInterface(compiler, compiler.get_shader_resources(), stage, path, result);
    // SV_RenderTargetArrayIndex and SV_ViewportArrayIndex written by a vertex shader (stereo
    // instancing): GL takes them there only with this extension. On the player's single
    // target they change nothing, as on Direct3D.
    if (stage == ShaderStage::Vertex)
        for (const auto& builtin : resources.builtin_outputs)
            if (builtin.builtin == spv::BuiltInLayer || builtin.builtin == spv::BuiltInViewportIndex)
                compiler.require_extension("GL_ARB_shader_viewport_layer_array");
    std::string glsl = compiler.compile();

    // The entry becomes ml_main(): the linker's main() wraps it with the varying copies.
    const std::string entry = "\nvoid main()\n";
    const size_t at = glsl.find(entry);
    if (at == std::string::npos)
        throw spirv_cross::CompilerError("the translated shader has no main()");
    glsl.replace(at, entry.size(), "\nvoid ml_main()\n");
    size_t headerEnd = 0;
    while (headerEnd < glsl.size() && glsl[headerEnd] == '#') {
        const size_t eol = glsl.find('\n', headerEnd);
        headerEnd = eol == std::string::npos ? glsl.size() : eol + 1;
    }
    result.header = glsl.substr(0, headerEnd);
    result.body = glsl.substr(headerEnd);
    result.prologue = compiler.Prologue();
}
