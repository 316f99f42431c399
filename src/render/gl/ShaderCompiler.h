// HLSL translation for the OpenGL back end: compiles one entry point of an HLSL file
// (shader model 5 rules) to GLSL 4.50 and reflects what the Direct3D reflection would list
// (constant buffers with HLSL packing, textures with their t registers). Pure CPU work; it
// makes no GL call and creates no GL object, that is the material's job.
#pragma once

#include "render/gl/ShaderOutputFacts.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ShaderStage { Vertex, Pixel };

struct ReflectedVariable {
  std::string name;  // lowercased
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct ReflectedConstantBuffer {
  std::string name;  // lowercased
  uint32_t size = 0; // rounded up to 16, as Direct3D reports it
  std::vector<ReflectedVariable> variables;
  uint32_t glBinding = 0;  // uniform-buffer binding set in the emitted GLSL
};

struct ReflectedTexture {
  std::string name;        // HLSL name as written
  uint32_t bindPoint = 0;  // HLSL t register
  uint32_t glUnit = 0;     // GL texture unit of the combined sampler (== bindPoint)
};

struct CompiledShader {
  bool ok = false;
  std::string glsl;  // GLSL 4.50 core, ready for glShaderSource
  // Reflection order; only the buffers the stage uses.
  std::vector<ReflectedConstantBuffer> constantBuffers;
  // Resources the stage uses; looked up by name for "textureslot".
  std::vector<ReflectedTexture> textures;
  std::string log;  // compiler messages as "file:line: message"
  // Vertex stage: every input semantic is one of ModelVertex's (POSITION, COLOR, TEXCOORD).
  // Direct3D would fail to create the input layout otherwise; the shader itself is fine.
  bool inputLayoutOk = true;
  // What the stage provably writes (full-screen passes skip work by it).
  ShaderOutputFacts outputFacts;
};

// path: the resolved file path; entry: the entry point; stage picks vs_5_0 / ps_5_0 rules.
// Never throws; a failure gives ok == false and a log.
CompiledShader CompileHlsl(const std::string& path, const std::string& entry, ShaderStage stage);

// Vertex record i is bound to uniform-buffer binding i, pixel record i to this base + i.
inline constexpr uint32_t kPixelUniformBindingBase = 8;
