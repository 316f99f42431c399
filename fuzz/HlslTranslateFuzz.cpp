// HLSL translation as the player runs it: the text goes through the guarded translator
// (the worker process and its time limit, where a library crash is a compile error),
// and what comes back is linked with a partner stage. The same bytes also go to our
// own readers of untrusted text: effect-syntax blanking, the multisample operator's
// rewrite and the codec that reads worker answers and cache files. The input is the
// shader text, then the entry point and "vs" or "ps", separated by NUL bytes.
#include "FuzzTarget.h"

#include "render/gl/shader/EffectSyntax.h"
#include "render/gl/shader/SampleIndexing.h"
#include "render/gl/shader/ShaderTranslator.h"
#include "render/gl/shader/StageLinker.h"
#include "render/gl/shader/TranslationCodec.h"
#include "render/gl/shader/TranslationWorker.h"

#include <memory>

namespace {

constexpr const char* kPartners = R"(
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; float2 uv : TEXCOORD0; };
VSOut PassVS(VSIn i) { VSOut o; o.pos = float4(i.pos, 1); o.col = i.col; o.uv = i.uv; return o; }
float4 ColourPS(float4 pos : SV_Position, float4 col : COLOR0) : SV_Target { return col; }
)";

CShaderTranslator& Translator()
{
    static CShaderTranslator& translator = [] () -> CShaderTranslator& {
        CShaderTranslator& t = CShaderTranslator::Get();
        t.Reset("", FindShaderWorker(), std::chrono::milliseconds(2000));
        return t;
    }();
    return translator;
}

} // namespace

const char* const kFuzzReproPatterns[] = {"hlsl-*/Data/Shaders/repro.hlsl", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    return {
        {"pass", fuzz::Join({kPartners, "PassVS", "vs"})},
        {"constants", fuzz::Join({"cbuffer C { float t; float2 res; int mode; float4 placed : packoffset(c2); };\n"
                                  "float4 PSMain() : SV_Target { return placed * t + res.xyxy + mode; }\n",
                                  "PSMain", "ps"})},
        {"varyings", fuzz::Join({"struct V { float4 p : SV_Position; float4 taps[4] : TEXCOORD1; float4x4 m : TEXCOORD5; };\n"
                                 "V VSMain(float3 p : POSITION) { V o = (V)0; o.p = float4(p, 1); return o; }\n",
                                 "VSMain", "vs"})},
        {"effect", fuzz::Join({"SamplerState S { Filter = MIN_MAG_MIP_POINT; }; Texture2D T;\n"
                               "BlendState B { BlendEnable[0] = FALSE; };\n"
                               "float4 PS(float2 uv : TEXCOORD0) : SV_Target {\n"
                               "  float4 s = 0; [unroll] for (int i = 0; i < 3; ++i) s += T.Sample(S, uv, int2(i, 0));\n"
                               "  return s; }\n"
                               "technique11 T0 { pass P0 { SetPixelShader(CompileShader(ps_5_0, PS())); } }\n",
                               "PS", "ps"})},
        {"multisample", fuzz::Join({"Texture2DMS<float4, 4> T : register(t0);\n"
                                    "float4 PS(float4 p : SV_Position, uint i : SV_SampleIndex) : SV_Target {\n"
                                    "  return T.sample[i][int2(p.xy)] + T . sample [ (i + 1) % 4 ][ uint2(0, 0) ]; }\n",
                                    "PS", "ps"})},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = fuzz::Split(data, size, 3);
    const std::string source(parts.empty() ? std::string_view() : parts[0]);
    const std::string entry(parts.size() > 1 ? parts[1] : std::string_view("main"));
    const ShaderStage stage = parts.size() > 2 && parts[2] == "vs" ? ShaderStage::Vertex : ShaderStage::Pixel;

    std::string blanked = source;
    BlankEffectSyntax(blanked);
    RewriteSampleIndexing(blanked);
    StageTranslation decoded;
    codec::Decode(source, decoded);
    TranslationRequest request;
    codec::Decode(source, request);

    CShaderTranslator& translator = Translator();
    const std::shared_ptr<const StageTranslation> own = translator.Translate("fuzz.hlsl", source, entry, stage);
    if (own->Ok()) {
        const bool vertex = stage == ShaderStage::Vertex;
        const auto partner = translator.Translate("partners.hlsl", kPartners, vertex ? "ColourPS" : "PassVS",
                                                  vertex ? ShaderStage::Pixel : ShaderStage::Vertex);
        if (partner->Ok())
            LinkStages(vertex ? *own : *partner, vertex ? partner.get() : own.get());
        if (vertex)
            LinkStages(*own, nullptr);
    }
    translator.ForgetTranslations(); // the next input must reach the worker again
    return 0;
}
