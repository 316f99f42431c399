// Translation time of a vertex/pixel pair from HLSL to GLSL, in this process (no worker),
// with and without the SPIRV-Tools passes, interleaved so both see the same machine state.
// Prints min / median / max in milliseconds and the ratio of the medians (target <= 2).
#include "BenchProduction.h"

#include "render/gl/shader/HlslTranslator.h"

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
        std::vector<double> plain, optimized;
        for (int i = 0; i < 30; ++i) {
            bool plainOk = true; // without legalisation a shader may fail; only the time counts
            plain.push_back(Pair(c.source, false, plainOk));
            optimized.push_back(Pair(c.source, true, ok));
        }
        const Spread p = Summarise(plain), o = Summarise(optimized);
        std::printf("%s, vs + ps pair, 30 interleaved runs (min / median / max ms):\n", c.name);
        std::printf("  front end + GLSL only:     %.2f / %.2f / %.2f\n", p.min, p.median, p.max);
        std::printf("  with the SPIRV-Tools passes: %.2f / %.2f / %.2f  (ratio of medians %.2f, target <= 2)\n",
                    o.min, o.median, o.max, o.median / p.median);
    }
    if (!ok) {
        std::printf("translation failed\n");
        return 1;
    }
    return 0;
}
