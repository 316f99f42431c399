// StageTranslation: what translating one HLSL entry point yields, everything the GL side
// needs and nothing that ties it to the library that made it: the GLSL body, the
// reflection records as Direct3D reports them, and the stage's varyings, left unplaced
// so that each vertex/pixel pair can be linked on its own (StageLinker). Plain data: it
// crosses the worker's socket and lives in the on-disk cache (TranslationCodec).
#pragma once
#include "render/gl/shader/ShaderOutputFacts.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ShaderStage : uint8_t { Vertex, Pixel };

struct ReflectedVariable {
    std::string name; // lowercased
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct ReflectedConstantBuffer {
    std::string name; // lowercased
    uint32_t size = 0; // rounded up to 16, as Direct3D reports it
    std::vector<ReflectedVariable> variables;
    uint32_t glBinding = 0; // uniform-buffer binding set in the emitted GLSL
};

struct ReflectedTexture {
    std::string name;       // HLSL name as written
    uint32_t bindPoint = 0; // HLSL t register
    uint32_t glUnit = 0;    // GL texture unit of the combined sampler (== bindPoint)
};

// One stage input (pixel) or output (vertex) carrying a user semantic. In the body it is
// a private global; the linker declares the GL interface and copies to or from it.
struct StageVarying {
    std::string semantic;    // uppercased, without its index ("TEXCOORD")
    uint32_t index = 0;      // semantic index of the first register
    std::string name;        // the private global the body reads or writes
    std::string declaration; // its GLSL declaration without ';' ("vec4 ml_v_TEXCOORD1[8]")
    char baseType = 'f';     // 'f', 'i' or 'u'
    uint32_t components = 4; // per register, 1 to 4
    uint32_t columns = 1;    // matrix columns (registers per element)
    uint32_t arraySize = 0;  // 0: not an array
    bool flat = false, noPerspective = false, centroid = false, sample = false;

    uint32_t Registers() const { return columns * (arraySize ? arraySize : 1); }
    // GLSL expression for register k of the variable.
    std::string Register(uint32_t k) const;
};

struct StageTranslation {
    enum class Outcome : uint8_t { Translated, Failed, Crashed };
    Outcome outcome = Outcome::Failed;
    bool Ok() const { return outcome == Outcome::Translated; }

    // Compiler messages, one per line: "file:line[:column]: severity: message".
    std::string log;

    // GLSL 4.50: the leading '#' lines, then the rest, whose entry is ml_main().
    std::string header;
    std::string body;
    // Statements main() runs before ml_main() (constant buffers unpacked from registers).
    std::vector<std::string> prologue;
    std::vector<StageVarying> varyings;

    // Reflection order; only the buffers the stage uses.
    std::vector<ReflectedConstantBuffer> constantBuffers;
    // Resources the stage uses; looked up by name for "textureslot".
    std::vector<ReflectedTexture> textures;
    // Vertex stage: every input semantic is one of ModelVertex's (POSITION, COLOR, TEXCOORD).
    // Direct3D would fail to create the input layout otherwise; the shader itself is fine.
    bool inputLayoutOk = true;
    // What the stage provably writes (full-screen passes skip work by it).
    ShaderOutputFacts outputFacts;
};

// Uniform-buffer bindings: Direct3D gives each stage 14 constant-buffer registers.
inline constexpr uint32_t kConstantBuffersPerStage = 14;
inline constexpr uint32_t kPixelUniformBindingBase = kConstantBuffersPerStage;
