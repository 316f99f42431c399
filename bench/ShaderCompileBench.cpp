// Translation time of a vertex/pixel pair from HLSL to GLSL, in this process (no worker):
// the player's translation with and without its SPIRV-Tools passes, against the earlier
// translation (glslang with its own built-in legalisation, then SPIRV-Cross's GLSL, the
// way the player translated before it had passes of its own), written out here so the
// baseline shares none of the code it measures. Interleaved so all see the same machine
// state. Prints min / median / max in milliseconds and the ratios of the medians; the
// target is the translation with passes at most twice the earlier one.
#include "BenchProduction.h"

#include "render/gl/shader/HlslTranslator.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A blur pass as effects write it: taps in an unrolled loop, a matrix in a constant buffer.
constexpr const char* kBlurHlsl = R"(
cbuffer Blur : register(b0) { float4x4 Transform; float2 texel; float strength; int taps; };
Texture2D Source : register(t0);
SamplerState Linear : register(s0);
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; float4 around[4] : TEXCOORD1; };
VSOut VSMain(VSIn i)
{
    VSOut o;
    o.pos = mul(float4(i.pos, 1), Transform);
    o.uv = i.uv;
    [unroll] for (int k = 0; k < 4; ++k)
        o.around[k] = float4(i.uv + texel * (k + 1), i.uv - texel * (k + 1));
    return o;
}
float4 PSMain(VSOut i) : SV_Target
{
    float4 sum = 0;
    [unroll] for (int y = -2; y <= 2; ++y)
        [unroll] for (int x = -2; x <= 2; ++x)
            sum += Source.Sample(Linear, i.uv, int2(x, y));
    for (int k = 0; k < 4; ++k)
        sum += Source.Sample(Linear, i.around[k].xy) + Source.Sample(Linear, i.around[k].zw);
    return sum / (25 + 8) * strength;
}
)";

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// One stage the earlier way; false where it does not translate.
bool EarlierStage(const char* source, const char* entry, EShLanguage language)
{
    glslang::TShader shader(language);
    const char* name = "bench.hlsl";
    const int length = static_cast<int>(std::char_traits<char>::length(source));
    shader.setStringsWithLengthsAndNames(&source, &length, &name, 1);
    shader.setEntryPoint(entry);
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    const auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                   EShMsgHlslOffsets | EShMsgHlslLegalization);
    if (!shader.parse(GetDefaultResources(), 100, false, messages))
        return false;
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages))
        return false;
    std::vector<uint32_t> spirv;
    glslang::SpvOptions options;
    options.disableOptimizer = false; // glslang's own legalisation of HLSL
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &options);
    try {
        spirv_cross::CompilerGLSL glsl(std::move(spirv));
        spirv_cross::CompilerGLSL::Options o;
        o.version = 450;
        o.es = false;
        glsl.set_common_options(o);
        glsl.build_combined_image_samplers(); // GL has no separate samplers
        return !glsl.compile().empty();
    } catch (const spirv_cross::CompilerError&) {
        return false;
    }
}

double EarlierPair(const char* source, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = EarlierStage(source, "VSMain", EShLangVertex) && ok;
    ok = EarlierStage(source, "PSMain", EShLangFragment) && ok;
    return Milliseconds(start);
}

double Pair(const char* source, bool optimize, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = TranslateHlsl({ShaderStage::Vertex, "bench.hlsl", "VSMain", source}, optimize).Ok() && ok;
    ok = TranslateHlsl({ShaderStage::Pixel, "bench.hlsl", "PSMain", source}, optimize).Ok() && ok;
    return Milliseconds(start);
}

struct Spread {
    double min, median, max;
};
Spread Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

} // namespace

int main()
{
    struct Case {
        const char* name;
        const char* source;
    };
    const Case cases[] = {{"scene material", bench::kSceneHlsl}, {"blur with unrolled taps", kBlurHlsl}};
    bool ok = true;
    auto start = std::chrono::steady_clock::now();
    Pair(bench::kSceneHlsl, true, ok);
    std::printf("first pair (with glslang start-up): %.2f ms\n", Milliseconds(start));
    for (const Case& c : cases) {
        std::vector<double> earlier, plain, optimized;
        bool earlierOk = true; // GLSL it gave may still fail in GL; only the time counts
        for (int i = 0; i < 30; ++i) {
            earlier.push_back(EarlierPair(c.source, earlierOk));
            bool plainOk = true; // without legalisation a shader may fail; only the time counts
            plain.push_back(Pair(c.source, false, plainOk));
            optimized.push_back(Pair(c.source, true, ok));
        }
        const Spread e = Summarise(earlier), p = Summarise(plain), o = Summarise(optimized);
        std::printf("%s, vs + ps pair, 30 interleaved runs (min / median / max ms):\n", c.name);
        std::printf("  earlier translation (glslang's legaliser, SPIRV-Cross): %.2f / %.2f / %.2f%s\n", e.min, e.median,
                    e.max, earlierOk ? "" : "  (did not translate)");
        std::printf("  translation without the passes:                        %.2f / %.2f / %.2f\n", p.min, p.median,
                    p.max);
        std::printf("  translation with the passes:                           %.2f / %.2f / %.2f\n", o.min, o.median,
                    o.max);
        std::printf("  with passes / earlier: %.2f (target <= 2); with / without passes: %.2f\n", o.median / e.median,
                    o.median / p.median);
    }
    if (!ok) {
        std::printf("translation failed\n");
        return 1;
    }
    return 0;
}
