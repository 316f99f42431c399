// GlslEmitter: optimised SPIR-V of one stage to GLSL 4.50 with SPIRV-Cross, plus the
// reflection records as Direct3D reports them. Constant buffers get Direct3D's packing;
// a buffer whose packing GLSL's std140 cannot express is read from raw registers into a
// private copy at the start of the shader. Varyings are left as private globals for
// StageLinker to place per vertex/pixel pair. Throws spirv_cross::CompilerError (or
// another std::exception) on what it cannot translate.
#pragma once
#include "render/gl/shader/HlslFrontEnd.h"
#include "render/gl/shader/StageTranslation.h"

#include <cstdint>
#include <string>
#include <vector>

void EmitGlsl(std::vector<uint32_t> spirv, const Declarations& declarations, ShaderStage stage,
              const std::string& path, StageTranslation& result);
