// TranslationCodec: StageTranslation and translation requests as bytes, for the worker's
// socket and the on-disk cache. Decoding checks every length against what is left, so
// bytes from a dying worker or a damaged cache file are refused, never trusted.
#pragma once
#include "render/gl/shader/StageTranslation.h"

#include <string>
#include <string_view>

struct TranslationRequest {
    ShaderStage stage = ShaderStage::Vertex;
    std::string path;  // for messages only
    std::string entry;
    std::string source;
};

namespace codec {

std::string Encode(const StageTranslation& translation);
bool Decode(std::string_view bytes, StageTranslation& translation);

std::string Encode(const TranslationRequest& request);
bool Decode(std::string_view bytes, TranslationRequest& request);

} // namespace codec
