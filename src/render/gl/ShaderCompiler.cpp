// HLSL to GLSL 4.50 at load time: glslang's HLSL front end makes SPIR-V with HLSL packing
// and semantics kept, SPIRV-Cross reflects it the way Direct3D's reflection would and emits
// GLSL with bindings and locations that follow Direct3D's rules. No GL calls here.
#include "render/gl/ShaderCompiler.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
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

// Vertex outputs and pixel inputs meet by semantic, as Direct3D links stages: each
// semantic gets one location for the whole process, so any pair compiled here agrees.
class CVaryingLocations {
public:
    // Locations for semantic name + index .. index + span - 1, consecutive; false when
    // earlier shaders already placed part of that range elsewhere.
    bool Place(const std::string& name, uint32_t index, uint32_t span, uint32_t& location)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        size_t known = 0;
        for (uint32_t i = 0; i < span; ++i)
            known += m_Map.count(Key(name, index + i));
        if (known == 0) {
            location = m_nNext;
            for (uint32_t i = 0; i < span; ++i)
                m_Map[Key(name, index + i)] = m_nNext++;
            return true;
        }
        if (known != span)
            return false;
        location = m_Map[Key(name, index)];
        for (uint32_t i = 1; i < span; ++i)
            if (m_Map[Key(name, index + i)] != location + i)
                return false;
        return true;
    }

private:
    static std::string Key(const std::string& name, uint32_t index) { return name + std::to_string(index); }
    std::mutex m_Mutex;
    std::unordered_map<std::string, uint32_t> m_Map;
    uint32_t m_nNext = 0;
};

CVaryingLocations& VaryingLocations()
{
    static CVaryingLocations locations;
    return locations;
}

void InitGlslangOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        glslang::InitializeProcess();
        std::atexit([] { glslang::FinalizeProcess(); });
    });
}

// glslang writes "ERROR: file:line: message"; tools and editors expect "file:line: error: message".
// Summary lines ("1 compilation errors") say nothing the lines before did not.
void AppendGlslangLog(std::string& log, const std::string& path, const char* text)
{
    std::istringstream in(text ? text : "");
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (line.empty() || line.find("compilation errors") != std::string::npos ||
            line.find("compilation terminated") != std::string::npos ||
            line.find("HLSL parsing failed") != std::string::npos)
            continue;
        std::string severity;
        for (const char* prefix : {"ERROR: ", "WARNING: ", "NOTE: ", "UNIMPLEMENTED: ", "INTERNAL ERROR: "}) {
            if (line.rfind(prefix, 0) == 0) {
                severity = Lowercase(std::string(prefix, std::char_traits<char>::length(prefix) - 2));
                line.erase(0, std::char_traits<char>::length(prefix));
                break;
            }
        }
        if (severity.empty())
            severity = "note";
        // "file:line: message" when glslang named a place; the file alone otherwise.
        if (line.rfind(path + ":", 0) == 0) {
            size_t afterLine = line.find(": ", path.size() + 1);
            if (afterLine != std::string::npos) {
                log += line.substr(0, afterLine) + ": " + severity + ": " + line.substr(afterLine + 2) + "\n";
                continue;
            }
        }
        log += path + ": " + severity + ": " + line + "\n";
    }
}

// What the HLSL source says about one global object, which SPIR-V no longer tells.
struct Declaration {
    size_t order = 0;         // Direct3D lists constant buffers in declaration order; SPIR-V ids follow first use
    bool hasRegister = false; // glslang writes binding 0 for a resource declared without one
};
using Declarations = std::unordered_map<std::string, Declaration>;

// The shader's global objects: blocks by type name, everything else by its own name.
Declarations CollectDeclarations(const glslang::TShader& shader)
{
    Declarations declarations;
    const glslang::TIntermediate* intermediate = shader.getIntermediate();
    glslang::TIntermAggregate* root =
        intermediate && intermediate->getTreeRoot() ? intermediate->getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return declarations;
    for (TIntermNode* node : root->getSequence()) {
        glslang::TIntermAggregate* linkage = node ? node->getAsAggregate() : nullptr;
        if (!linkage || linkage->getOp() != glslang::EOpLinkerObjects)
            continue;
        for (TIntermNode* object : linkage->getSequence()) {
            const glslang::TIntermSymbol* symbol = object ? object->getAsSymbolNode() : nullptr;
            if (!symbol)
                continue;
            const glslang::TType& type = symbol->getType();
            std::string key = type.getBasicType() == glslang::EbtBlock ? std::string(type.getTypeName().c_str())
                                                                       : std::string(symbol->getName().c_str());
            declarations.emplace(key, Declaration{declarations.size(), type.getQualifier().hasBinding()});
        }
    }
    return declarations;
}

// SPIRV-Cross, plus one change: a constant buffer whose HLSL packing GLSL cannot express
// (a float2 at offset 4, say) is read as an array of vec4 registers, which is exactly how
// Direct3D sees it, inside a std140 uniform block so the back end can still bind it.
class CHlslToGlsl : public spirv_cross::CompilerGLSL {
public:
    explicit CHlslToGlsl(std::vector<uint32_t> spirv) : CompilerGLSL(std::move(spirv)) {}

    // Flattens the buffer when std140 (with explicit offsets) cannot hold its layout.
    // Returns false when neither form can (mixed int and float members in an odd layout).
    bool PrepareBuffer(spirv_cross::VariableID id, uint32_t binding)
    {
        const auto& type = get_type(get<spirv_cross::SPIRVariable>(id).basetype);
        try {
            buffer_to_packing_standard(type, false);
            return true;
        } catch (const spirv_cross::CompilerError&) {
        }
        spirv_cross::SPIRType::BaseType basic;
        if (!get_common_basic_type(type, basic))
            return false;
        flatten_buffer_block(id);
        m_Wrapped.emplace(id, binding);
        return true;
    }

protected:
    void emit_buffer_block(const spirv_cross::SPIRVariable& var) override
    {
        auto wrapped = m_Wrapped.find(var.self);
        if (wrapped == m_Wrapped.end()) {
            CompilerGLSL::emit_buffer_block(var);
            return;
        }
        const auto& type = get<spirv_cross::SPIRType>(var.basetype);
        std::string name = to_name(type.self, false); // the flattened accesses use this name
        size_t registers = (get_declared_struct_size(type) + 15) / 16;
        spirv_cross::SPIRType::BaseType basic = spirv_cross::SPIRType::Float;
        get_common_basic_type(type, basic);
        spirv_cross::SPIRType element;
        element.basetype = basic;
        element.vecsize = 4;
        element.columns = 1;
        // No instance name: the array is then visible under the name the accesses use.
        statement("layout(binding = ", wrapped->second, ", std140) uniform ", name, "_registers");
        begin_scope();
        statement(type_to_glsl(element), " ", name, "[", registers, "];");
        end_scope_decl();
        statement("");
    }

private:
    std::unordered_map<uint32_t, uint32_t> m_Wrapped; // variable id -> binding
};

uint32_t MatrixStride(const spirv_cross::Compiler& compiler, const spirv_cross::SPIRType& structType, uint32_t index)
{
    return compiler.has_member_decoration(structType.self, index, spv::DecorationMatrixStride)
               ? compiler.type_struct_member_matrix_stride(structType, index)
               : 16;
}

// Size of a constant buffer member as Direct3D reports it: the padding after the last
// array element, matrix column or struct member is not counted.
uint32_t D3DSize(const spirv_cross::Compiler& compiler, uint32_t typeId, bool rowMajor, uint32_t matrixStride)
{
    const spirv_cross::SPIRType& type = compiler.get_type(typeId);
    if (!type.array.empty()) {
        uint32_t count = type.array_size_literal.back() ? type.array.back() : 1;
        if (count == 0)
            return 0;
        uint32_t stride = compiler.get_decoration(typeId, spv::DecorationArrayStride);
        return (count - 1) * stride + D3DSize(compiler, type.parent_type, rowMajor, matrixStride);
    }
    if (type.basetype == spirv_cross::SPIRType::Struct) {
        uint32_t end = 0;
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            uint32_t offset = compiler.get_member_decoration(type.self, i, spv::DecorationOffset);
            bool memberRowMajor = compiler.has_member_decoration(type.self, i, spv::DecorationRowMajor);
            uint32_t memberStride = MatrixStride(compiler, type, i);
            end = std::max(end, offset + D3DSize(compiler, type.member_types[i], memberRowMajor, memberStride));
        }
        return end;
    }
    uint32_t component = type.width / 8;
    if (type.columns > 1) {
        uint32_t vectors = rowMajor ? type.vecsize : type.columns;
        uint32_t length = rowMajor ? type.columns : type.vecsize;
        return (vectors - 1) * matrixStride + length * component;
    }
    return type.vecsize * component;
}

// Number of consecutive locations a stage input or output takes.
uint32_t LocationSpan(const spirv_cross::Compiler& compiler, uint32_t typeId)
{
    const spirv_cross::SPIRType& type = compiler.get_type(typeId);
    uint32_t span = type.columns > 0 ? type.columns : 1;
    for (uint32_t i = 0; i < type.array.size(); ++i)
        span *= type.array_size_literal[i] ? std::max(type.array[i], 1u) : 1u;
    return span;
}

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return false;
    text = buffer.str();
    // Shaders written on Windows may start with a UTF-8 byte-order mark; the compiler skips it.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    return true;
}

bool HlslToSpirv(const std::string& path, const std::string& source, const std::string& entry, ShaderStage stage,
                 std::vector<uint32_t>& spirv, Declarations& declarations,
                 std::string& log)
{
    InitGlslangOnce();
    const EShLanguage language = stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* name = path.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1(); // keeps the semantics as decorations
    shader.setDxPositionW(true);             // SV_Position.w in a pixel shader is w, not 1/w
    const auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                   EShMsgHlslOffsets | EShMsgHlslLegalization);
    // The default includer refuses every #include, as Direct3D does without a handler.
    const bool parsed = shader.parse(GetDefaultResources(), 100, false, messages);
    AppendGlslangLog(log, path, shader.getInfoLog());
    if (!parsed)
        return false;

    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(messages);
    const glslang::TIntermediate* linkedStage = program.getIntermediate(language);
    if (linked && linkedStage && linkedStage->getNumEntryPoints() < 1) {
        // glslang only warns; Direct3D fails the compile.
        log += path + ": error: entry point '" + entry + "' not found\n";
        return false;
    }
    AppendGlslangLog(log, path, program.getInfoLog());
    if (!linked || !linkedStage)
        return false;

    declarations = CollectDeclarations(shader);
    glslang::SpvOptions options;
    options.disableOptimizer = false; // HLSL needs spirv-opt's legalization (textures passed to functions)
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &logger, &options);
    std::string spvMessages = logger.getAllMessages();
    if (!spvMessages.empty())
        AppendGlslangLog(log, path, spvMessages.c_str());
    return !spirv.empty();
}

// Names GL sees: each stage's blocks and samplers carry a stage prefix, since GL would merge
// same-named uniforms of the two stages into one.
std::string StagePrefix(ShaderStage stage) { return stage == ShaderStage::Vertex ? "vs_" : "ps_"; }

void ReflectConstantBuffers(CHlslToGlsl& compiler, const spirv_cross::ShaderResources& resources,
                            const Declarations& declarations, ShaderStage stage,
                            CompiledShader& result)
{
    std::vector<const spirv_cross::Resource*> buffers;
    for (const auto& buffer : resources.uniform_buffers)
        buffers.push_back(&buffer);
    auto orderOf = [&](const spirv_cross::Resource* r) {
        auto it = declarations.find(compiler.get_name(r->base_type_id));
        return it == declarations.end() ? declarations.size() + r->id : it->second.order;
    };
    std::stable_sort(buffers.begin(), buffers.end(),
                     [&](const auto* a, const auto* b) { return orderOf(a) < orderOf(b); });

    const uint32_t base = stage == ShaderStage::Vertex ? 0 : kPixelUniformBindingBase;
    for (const spirv_cross::Resource* buffer : buffers) {
        const spirv_cross::SPIRType& type = compiler.get_type(buffer->base_type_id);
        ReflectedConstantBuffer record;
        std::string name = compiler.get_name(buffer->base_type_id);
        // glslang gathers loose globals into "$Global"; Direct3D calls that buffer "$Globals".
        record.name = Lowercase(name == "$Global" ? "$Globals" : name);
        record.glBinding = base + static_cast<uint32_t>(result.constantBuffers.size());
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            ReflectedVariable variable;
            variable.name = Lowercase(compiler.get_member_name(buffer->base_type_id, i));
            variable.offset = compiler.get_member_decoration(buffer->base_type_id, i, spv::DecorationOffset);
            variable.size = D3DSize(
                compiler, type.member_types[i],
                compiler.has_member_decoration(buffer->base_type_id, i, spv::DecorationRowMajor),
                MatrixStride(compiler, type, i));
            record.size = std::max(record.size, variable.offset + variable.size);
            record.variables.push_back(std::move(variable));
        }
        record.size = (record.size + 15) & ~15u;

        compiler.unset_decoration(buffer->id, spv::DecorationDescriptorSet);
        compiler.set_decoration(buffer->id, spv::DecorationBinding, record.glBinding);
        compiler.set_name(buffer->base_type_id, StagePrefix(stage) + (name == "$Global" ? "Globals" : name));
        if (!compiler.PrepareBuffer(buffer->id, record.glBinding))
            throw spirv_cross::CompilerError("constant buffer " + name +
                                             " mixes integer and float members in a packing GLSL cannot express");
        result.constantBuffers.push_back(std::move(record));
    }
}

// Textures the stage uses, each at its t register; Direct3D places a texture without a
// register at the lowest free one, in declaration order.
void ReflectTextures(CHlslToGlsl& compiler, const spirv_cross::ShaderResources& resources,
                     const Declarations& declarations, ShaderStage stage,
                     CompiledShader& result)
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
    auto orderOf = [&](const spirv_cross::Resource* r) {
        auto it = declarations.find(compiler.get_name(r->id));
        return it == declarations.end() ? declarations.size() + r->id : it->second.order;
    };
    std::stable_sort(images.begin(), images.end(),
                     [&](const auto* a, const auto* b) { return orderOf(a) < orderOf(b); });

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

// Places vertex inputs at ModelVertex's attribute locations and the varyings of both stages
// at the process-wide location of their semantic.
void LinkStageInterface(CHlslToGlsl& compiler, const spirv_cross::ShaderResources& resources, ShaderStage stage,
                        const std::string& path, CompiledShader& result)
{
    uint32_t nextUnmatched = kFirstUnmatchedInputLocation;
    auto place = [&](const spirv_cross::Resource& io, bool isVertexInput) {
        const std::string& semantic = compiler.get_decoration_string(io.id, spv::DecorationUserSemantic);
        if (semantic.empty())
            return; // keep glslang's own location
        auto [name, index] = SplitSemantic(semantic);
        if (isVertexInput) {
            auto slot = std::find_if(kVertexInputs.begin(), kVertexInputs.end(), [&](const VertexInputSlot& s) {
                return index == 0 && name == s.semantic;
            });
            uint32_t location = slot != kVertexInputs.end() ? slot->location : nextUnmatched++;
            if (slot == kVertexInputs.end()) {
                result.inputLayoutOk = false;
                result.log += path + ": note: vertex input " + semantic + " is not one of the vertex format's\n";
            }
            compiler.set_decoration(io.id, spv::DecorationLocation, location);
            compiler.set_name(io.id, "in_" + name + std::to_string(index));
            return;
        }
        uint32_t location = 0;
        if (!VaryingLocations().Place(name, index, LocationSpan(compiler, io.type_id), location))
            throw spirv_cross::CompilerError("semantic " + semantic + " overlaps one placed by another shader");
        compiler.set_decoration(io.id, spv::DecorationLocation, location);
        // Same name on both sides of the link as well as the same location.
        compiler.set_name(io.id, "v_" + name + std::to_string(index));
    };
    if (stage == ShaderStage::Vertex) {
        for (const auto& input : resources.stage_inputs)
            place(input, true);
        for (const auto& output : resources.stage_outputs)
            place(output, false);
    } else {
        for (const auto& input : resources.stage_inputs)
            place(input, false);
    }
}

void SpirvToGlsl(std::vector<uint32_t> spirv, const Declarations& declarations, ShaderStage stage,
                 const std::string& path, CompiledShader& result)
{
    CHlslToGlsl compiler(std::move(spirv));
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
    const spirv_cross::ShaderResources resources =
        compiler.get_shader_resources(compiler.get_active_interface_variables());
    ReflectConstantBuffers(compiler, resources, declarations, stage, result);
    ReflectTextures(compiler, resources, declarations, stage, result);
    LinkStageInterface(compiler, compiler.get_shader_resources(), stage, path, result);
    result.glsl = compiler.compile();
}

} // namespace

CompiledShader CompileHlsl(const std::string& path, const std::string& entry, ShaderStage stage)
{
    CompiledShader result;
    std::string source;
    if (!ReadFile(path, source)) {
        result.log = path + ": error: cannot read the file\n";
        return result;
    }
    std::vector<uint32_t> spirv;
    Declarations declarations;
    if (!HlslToSpirv(path, source, entry, stage, spirv, declarations, result.log))
        return result;
    result.outputFacts = ReadShaderOutputFacts(spirv);
    try {
        SpirvToGlsl(std::move(spirv), declarations, stage, path, result);
    } catch (const std::exception& e) {
        result.log += path + ": error: " + e.what() + "\n";
        result.constantBuffers.clear();
        result.textures.clear();
        result.glsl.clear();
        return result;
    }
    result.ok = true;
    return result;
}
