// Full-screen passes skip the clears, the blending and the stencil test that
// cannot change a pixel. Every frame of every test production and of the
// showcase must come out the same, bit for bit, with the shortcuts as without;
// and the shader facts they rest on must hold for the passes that qualify and
// fail for the near misses.
#include "ProductionRunner.h"

#include "render/TextureResource.h"
#include "render/gl/GLPostProcessResource.h"
#include "render/gl/shader/HlslTranslator.h"
#include "support/TempDir.h"

#include <algorithm>

namespace {

// Passes drawn with an overwriting material, over all runs: the comparison only
// means something where the shortcuts are taken.
long g_OverwritingPasses = 0;

// FNV-1a of every frame, in order.
std::vector<uint64_t> FrameHashes(const std::string& dir, bool shortcuts, int fps, long frames, int width, int height)
{
    CGLRenderer::SetPassShortcuts(shortcuts);
    std::vector<uint64_t> hashes;
    std::vector<uint8_t> rgb;
    RunProductionAt(
        dir, {}, fps, frames,
        [&](long, CDemoSystem& demo) {
            static_cast<CGLRenderer&>(*demo.m_pRenderer).ReadBackBuffer(rgb);
            uint64_t h = 1469598103934665603ull;
            for (uint8_t b : rgb)
                h = (h ^ b) * 1099511628211ull;
            hashes.push_back(h);
            std::vector<CPostProcessResource*> passes = demo.m_pRenderer->GetPostProcesses();
            passes.push_back(demo.m_pRenderer->GetFadeEffect());
            for (CPostProcessResource* pass : passes) {
                const auto* gl = dynamic_cast<const CGLPostProcessResource*>(pass);
                g_OverwritingPasses += shortcuts && gl && gl->OverwritesTarget();
            }
        },
        width, height);
    CGLRenderer::SetPassShortcuts(true);
    return hashes;
}

void ExpectSameFrames(const std::string& dir, int fps, long frames, int width, int height)
{
    const auto plain = FrameHashes(dir, false, fps, frames, width, height);
    const auto quick = FrameHashes(dir, true, fps, frames, width, height);
    ASSERT_FALSE(plain.empty()) << dir;
    ASSERT_EQ(plain.size(), quick.size()) << dir;
    const auto differs = std::mismatch(plain.begin(), plain.end(), quick.begin());
    EXPECT_TRUE(differs.first == plain.end()) << dir << ": frame " << (differs.first - plain.begin()) << " differs";
}

TEST(PassShortcuts, EveryFrameOfEveryProductionIsBitIdentical)
{
    std::vector<std::string> productions;
    for (const auto& entry : std::filesystem::directory_iterator(ProductionDir("")))
        if (entry.is_directory() && entry.path().filename() != "common")
            productions.push_back(entry.path().string());
    std::sort(productions.begin(), productions.end());
    ASSERT_GE(productions.size(), 10u);
    for (const std::string& dir : productions)
        ExpectSameFrames(dir, 64, 400, 64, 36);
    EXPECT_GT(g_OverwritingPasses, 1000);
#ifdef ML_SHOWCASE_DIR
    // All 48 s at 8 frames per second: every section, model, text and effect.
    ExpectSameFrames(ML_SHOWCASE_DIR, 8, 700, 96, 54);
#endif
}

struct Case {
    const char* body;
    bool expected;
};

ShaderOutputFacts Facts(const TempDir&, const std::string& source, ShaderStage stage)
{
    const StageTranslation translated = TranslateHlsl({stage, "Case.hlsl", "Main", source});
    EXPECT_TRUE(translated.Ok()) << translated.log << source;
    return translated.outputFacts;
}

TEST(PassShortcuts, ShaderFactsHoldOnlyWhereProvable)
{
    TempDir dir;
    const std::string vertexHead = R"(
cbuffer M : register(b0) { float4x4 WorldMatrix; float global_time; };
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
float4 Corner(float3 p) { float4 c = float4(p.xy, 0.0, 1.0); return c; }
VSOut Main(VSIn i) { VSOut o; o.uv = i.uv; )";
    const Case vertexCases[] = {
        {"o.pos = float4(i.pos, 1.0);", true},
        {"o.pos = float4(i.pos.xy, 0.5, 1.0);", true},
        {"o.pos = float4(i.pos.xy, 0.0, 1.0); o.uv *= global_time;", true},
        {"o.pos = Corner(i.pos);", true},
        {"o.pos = float4(i.pos.xy, 2.0, 1.0);", false},            // clipped by depth
        {"o.pos = float4(i.pos.yx, 0.0, 1.0);", false},            // corners swapped: culled
        {"o.pos = float4(i.pos.xy * 0.5, 0.0, 1.0);", false},      // a smaller quad
        {"o.pos = mul(float4(i.pos, 1.0), WorldMatrix);", false},  // depends on constants
        {"o.pos = float4(i.pos, 1.0); if (global_time > 1.0) o.pos.w = 2.0;", false},
    };
    for (const Case& c : vertexCases) {
        const std::string source = vertexHead + c.body + " return o; }";
        EXPECT_EQ(Facts(dir, source, ShaderStage::Vertex).coversTarget, c.expected) << c.body;
    }

    const std::string pixelHead = R"(
cbuffer C : register(b0) { float4 AmbientColour; float fade_value; };
Texture2D Frame : register(t0);
SamplerState Linear : register(s0);
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
)";
    const Case pixelCases[] = {
        {"float4 Main(VSOut i) : SV_Target { return float4(Frame.Sample(Linear, i.uv).rgb * fade_value, 1.0); }",
         true},
        {"struct O { float4 c : SV_Target0; float4 d : SV_Target1; };"
         "O Main(VSOut i) { O o; o.c = float4(AmbientColour.rgb, 1); o.d = AmbientColour; return o; }",
         true},
        {"float4 Main(VSOut i) : SV_Target { float3 s = 0; [unroll] for (int k = 0; k < 2; ++k)"
         " s += Frame.Sample(Linear, i.uv, int2(k, 0)).rgb; return float4(s, 1); }",
         true}, // read off the legalised module
        {"float4 Main(VSOut i) : SV_Target { return AmbientColour; }", false},
        {"float4 Main(VSOut i) : SV_Target { return float4(i.uv, 0.0, 0.999); }", false},
        {"float4 Main(VSOut i) : SV_Target { clip(i.uv.x - 0.5); return float4(i.uv, 0.0, 1.0); }", false},
        {"float3 Main(VSOut i) : SV_Target { return float3(i.uv, 1.0); }", false},
        {"struct O { float4 c : SV_Target; uint m : SV_Coverage; };"
         "O Main(VSOut i) { O o; o.c = float4(i.uv, 0, 1); o.m = 0; return o; }",
         false},
    };
    for (const Case& c : pixelCases)
        EXPECT_EQ(Facts(dir, pixelHead + c.body, ShaderStage::Pixel).opaque, c.expected) << c.body;

    // Only a stage of the right kind has the fact at all.
    EXPECT_FALSE(Facts(dir, pixelHead + pixelCases[0].body, ShaderStage::Pixel).coversTarget);
    EXPECT_EQ(ReadShaderOutputFacts({1, 2, 3}).opaque, false);
}

} // namespace
