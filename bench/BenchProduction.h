// A small production written to a scratch directory for the benchmarks: the
// fader, two sampling effects and a typical scene material, in HLSL as a
// production written for Direct3D would have them.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace bench {

// Benchmarks choose their shader cache themselves; none is written into the home folder.
inline const int kNoShaderCache = ::setenv("MARROWLIGHT_SHADER_CACHE", "off", 0);

inline constexpr const char* kPassHlsl = R"(
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
VSOut VSPass(VSIn i) { VSOut o; o.pos = float4(i.pos, 1.0); o.uv = i.uv; return o; }
)";

inline constexpr const char* kEffectsHlsl = R"(
cbuffer Frame : register(b0) { float fade_value; float global_time; };
Texture2D Source : register(t0);
SamplerState Linear : register(s0);
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
float4 PSWarm(VSOut i) : SV_Target
{
    float4 s = Source.Sample(Linear, i.uv);
    return float4(s.r * 0.9 + 0.1, s.g * 0.8, s.b * 0.7 + i.uv.x * 0.1, 1.0);
}
float4 PSSwap(VSOut i) : SV_Target
{
    float4 s = Source.Sample(Linear, i.uv);
    return float4(s.b, s.g, s.r + global_time * 0.001, 1.0);
}
float4 PSFade(VSOut i) : SV_Target
{
    return float4(Source.Sample(Linear, i.uv).rgb * fade_value, 1.0);
}
)";

inline constexpr const char* kSceneHlsl = R"(
cbuffer Matrices : register(b0) { float4x4 WorldMatrix; float4x4 ViewMatrix; float4x4 ProjectionMatrix; };
cbuffer Colours : register(b1) { float4 AmbientColour; float fade_value; float global_time; };
Texture2D Diffuse : register(t0);
SamplerState Linear : register(s0);
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
    float4 c = Diffuse.Sample(Linear, i.uv) * i.colour;
    return float4(c.rgb * fade_value, c.a);
}
)";

// Writes the production and returns its directory; the caller removes it.
inline std::filesystem::path WriteProduction()
{
    const auto dir = std::filesystem::temp_directory_path() / ("ml-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "Data" / "Mats");
    std::filesystem::create_directories(dir / "Data" / "Shaders");
    auto write = [&](const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; };
    write("Data/Shaders/Pass.hlsl", kPassHlsl);
    write("Data/Shaders/Effects.hlsl", kEffectsHlsl);
    write("Data/Shaders/Scene.hlsl", kSceneHlsl);
    auto pass = [](const char* entry) {
        return std::string("loadvertexshader Data\\Shaders\\Pass.hlsl VSPass\nloadpixelshader Data\\Shaders\\Effects.hlsl ") +
               entry + "\ntextureslot rendertarget Source\n";
    };
    write("Data/Mats/FaderMaterial.txt", pass("PSFade"));
    write("Data/Mats/Warm.txt", pass("PSWarm"));
    write("Data/Mats/Swap.txt", pass("PSSwap"));
    write("Data/Mats/Scene.txt", "loadvertexshader Data\\Shaders\\Scene.hlsl VSMain\n"
                                 "loadpixelshader Data\\Shaders\\Scene.hlsl PSMain\n"
                                 "textureslot diffuse Diffuse\n");
    write("DemoScript.txt", "creatematerial warm Data\\Mats\\Warm.txt\n"
                            "creatematerial swap Data\\Mats\\Swap.txt\n"
                            "createpostprocess warm warm\n"
                            "createpostprocess swap swap\n"
                            "addpostprocess warm\n"
                            "addpostprocess swap\n"
                            "fadeup 0\n");
    return dir;
}

} // namespace bench
