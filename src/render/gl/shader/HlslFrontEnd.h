// HlslFrontEnd: one HLSL entry point to SPIR-V with glslang's HLSL front end, under the
// rules of the material compile (shader model 5, HLSL packing offsets, semantics kept as
// decorations, no include handler). Also gathers what SPIR-V no longer says about the
// source: declaration order, explicit registers and packoffset use. No optimisation here.
#pragma once
#include "render/gl/shader/StageTranslation.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// What the HLSL source says about one global object.
struct Declaration {
    size_t order = 0;          // Direct3D lists constant buffers in declaration order; SPIR-V ids follow first use
    bool hasRegister = false;  // glslang writes binding 0 for a resource declared without one
    bool hasPackOffset = false; // a constant buffer whose members say where they go
};
// Blocks by type name, everything else by its own name.
using Declarations = std::unordered_map<std::string, Declaration>;

struct FrontEndResult {
    bool ok = false;
    std::vector<uint32_t> spirv;
    Declarations declarations;
    bool needsLegalization = false; // resources copied or passed to functions, and the like
};

// path names the file in messages; log receives "file:line[:column]: severity: message" lines.
FrontEndResult HlslToSpirv(const std::string& path, const std::string& source, const std::string& entry,
                           ShaderStage stage, std::string& log);
