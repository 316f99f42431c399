// HlslTranslator: the whole translation of one entry point, in this process: effect
// syntax blanked, HLSL to SPIR-V, SPIR-V optimised, GLSL and reflection emitted. This is
// what the isolated worker runs; the player reaches it only through ShaderTranslator,
// since the libraries it calls can crash or hang on malformed input.
#pragma once
#include "render/gl/shader/TranslationCodec.h"

// Never throws; a failure gives outcome Failed and a log. optimize false skips SPIRV-Tools
// (for measuring what it costs; shaders that need legalisation then fail).
StageTranslation TranslateHlsl(const TranslationRequest& request, bool optimize = true);

// Names the libraries and the revision of our own translation rules; cached results of
// another version are not used.
const std::string& TranslatorVersion();
