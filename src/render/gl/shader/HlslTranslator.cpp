#include "render/gl/shader/HlslTranslator.h"

#include "render/gl/shader/EffectSyntax.h"
#include "render/gl/shader/GlslEmitter.h"
#include "render/gl/shader/HlslFrontEnd.h"
#include "render/gl/shader/SampleIndexing.h"
#include "render/gl/shader/SpirvOptimizer.h"

#include <glslang/build_info.h>
#include <spirv-tools/libspirv.h>

#include <exception>

namespace {
// Bump when what the translation emits changes.
constexpr int kTranslationRevision = 6;
} // namespace

const std::string& TranslatorVersion()
{
    static const std::string version = "marrowlight-hlsl " + std::to_string(kTranslationRevision) + "; glslang " +
                                       std::to_string(GLSLANG_VERSION_MAJOR) + "." +
                                       std::to_string(GLSLANG_VERSION_MINOR) + "." +
                                       std::to_string(GLSLANG_VERSION_PATCH) + "; " + spvSoftwareVersionString();
    return version;
}

StageTranslation TranslateHlsl(const TranslationRequest& request, bool optimize)
{
    StageTranslation result;
    std::string source = request.source;
    // Shaders written on Windows may start with a UTF-8 byte-order mark; the compiler skips it.
    if (source.rfind("\xEF\xBB\xBF", 0) == 0)
        source.erase(0, 3);
    BlankEffectSyntax(source);
    RewriteSampleIndexing(source);
    try {
        FrontEndResult front = HlslToSpirv(request.path, source, request.entry, request.stage, result.log);
        if (!front.ok)
            return result;
        UseHlslRemainders(front.spirv);
        const bool passes = optimize && (front.needsLegalization || NeedsPasses(front.spirv));
        if (passes && !OptimizeSpirv(front.spirv, request.path, result.log))
            return result;
        SplitSamplerArrays(front.spirv);
        // The facts follow values through copies only, not through local variables: where
        // GL needs no legalisation they are read off a copy with its locals forwarded.
        if (passes) {
            result.outputFacts = ReadShaderOutputFacts(front.spirv);
        } else if (optimize && MayHaveOutputFacts(front.spirv)) {
            std::vector<uint32_t> forwarded = front.spirv;
            if (ForwardLocalValues(forwarded))
                result.outputFacts = ReadShaderOutputFacts(forwarded);
        }
        EmitGlsl(std::move(front.spirv), front.declarations, request.stage, request.path, result);
    } catch (const std::exception& e) {
        std::string log = std::move(result.log);
        result = StageTranslation{};
        result.log = log + request.path + ": error: " + e.what() + "\n";
        return result;
    }
    result.outcome = StageTranslation::Outcome::Translated;
    return result;
}
