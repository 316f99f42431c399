// Time to translate a typical material's vertex and pixel shader pair from HLSL to GLSL,
// after glslang's one-time start-up (reported separately). Prints median milliseconds.
#include "render/gl/ShaderCompiler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* kShader = R"(
cbuffer Matrices : register(b0) { float4x4 WorldMatrix; float4x4 ViewMatrix; float4x4 ProjectionMatrix; };
cbuffer Colours : register(b1) { float4 AmbientColour; float fade_value; float global_time; };
Texture2D diffuse : register(t0);
SamplerState linearSampler : register(s0);
struct VSOut { float4 pos : SV_Position; float4 colour : COLOR; float2 uv : TEXCOORD0; };
VSOut VSMain(float3 pos : POSITION, float4 colour : COLOR, float2 uv : TEXCOORD)
{
    VSOut o;
    o.pos = mul(mul(mul(float4(pos, 1), WorldMatrix), ViewMatrix), ProjectionMatrix);
    o.colour = colour * AmbientColour;
    o.uv = uv + float2(global_time * 0.1, 0);
    return o;
}
float4 PSMain(VSOut i) : SV_Target
{
    float4 c = diffuse.Sample(linearSampler, i.uv) * i.colour;
    return float4(c.rgb * fade_value, c.a);
}
)";

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main()
{
    const std::string path = "/tmp/ml_shader_compile_bench.hlsl";
    std::ofstream(path) << kShader;

    auto start = std::chrono::steady_clock::now();
    bool ok = CompileHlsl(path, "VSMain", ShaderStage::Vertex).ok;
    std::printf("first vertex shader (with glslang start-up): %.2f ms\n", Milliseconds(start));

    std::vector<double> pairs;
    for (int i = 0; i < 50; ++i) {
        start = std::chrono::steady_clock::now();
        ok = CompileHlsl(path, "VSMain", ShaderStage::Vertex).ok && ok;
        ok = CompileHlsl(path, "PSMain", ShaderStage::Pixel).ok && ok;
        pairs.push_back(Milliseconds(start));
    }
    std::remove(path.c_str());
    if (!ok) {
        std::printf("translation failed\n");
        return 1;
    }
    std::nth_element(pairs.begin(), pairs.begin() + pairs.size() / 2, pairs.end());
    std::printf("vertex + pixel pair, median of %zu: %.2f ms\n", pairs.size(), pairs[pairs.size() / 2]);
    return 0;
}
