// HLSL translation in this process: reflection as Direct3D reports it, effect syntax,
// messages with the shader's own place, the multisample operator, and the cache's encoding.
// What the GLSL computes, and how stages link, is checked by drawing (ShaderPixelTest,
// ShaderCorpusTest).
#include "render/gl/shader/HlslTranslator.h"
#include "render/gl/shader/SampleIndexing.h"
#include "render/gl/shader/TranslationCodec.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace {

StageTranslation Translate(const std::string& source, const std::string& entry, ShaderStage stage)
{
    return TranslateHlsl({stage, "shader.hlsl", entry, source});
}

struct Expected {
    const char* name;
    uint32_t offset, size;
};

void ExpectVariables(const ReflectedConstantBuffer& buffer, std::initializer_list<Expected> expected)
{
    ASSERT_EQ(buffer.variables.size(), expected.size()) << buffer.name;
    size_t i = 0;
    for (const Expected& e : expected) {
        EXPECT_EQ(buffer.variables[i].name, e.name);
        EXPECT_EQ(buffer.variables[i].offset, e.offset) << e.name;
        EXPECT_EQ(buffer.variables[i].size, e.size) << e.name;
        ++i;
    }
}

TEST(ShaderTranslation, ConstantBuffersAsDirect3DReportsThem)
{
    const StageTranslation vs = Translate(R"(
cbuffer Second : register(b1) { float4 Tint; float unusedB; };
cbuffer First : register(b0)
{
    float4x4 WorldMatrix;
    float3 Direction;
    float Fade_Value;      // packs into the float3's register
    float Weights[3];      // each element in its own register
    float2 After;          // shares the last element's register
    float4x3 Tall;         // column_major: 3 columns of 4
    float3x4 Wide;         // column_major: 4 columns of 3
    row_major float3x4 Rows;
    float Tail;            // after the matrix's last row
};
cbuffer Unused : register(b2) { float4 Nothing; };
float Loose;
int LooseMode;
float4 VSMain(float3 p : POSITION) : SV_Position
{
    float4 v = mul(float4(p, 1), WorldMatrix) * Tint;
    return v + float4(Direction * Fade_Value + Tall[0] + Wide[0].xyz + Rows[1].xyz, Weights[1] + After.x + Tail) +
           Loose * LooseMode;
}
)", "VSMain", ShaderStage::Vertex);
    ASSERT_TRUE(vs.Ok()) << vs.log;
    // Declared order, not register order; the unused buffer is left out.
    ASSERT_EQ(vs.constantBuffers.size(), 3u);
    EXPECT_EQ(vs.constantBuffers[0].name, "second");
    EXPECT_EQ(vs.constantBuffers[0].size, 32u);
    ExpectVariables(vs.constantBuffers[1], {{"worldmatrix", 0, 64}, {"direction", 64, 12}, {"fade_value", 76, 4},
                                            {"weights", 80, 36}, {"after", 116, 8}, {"tall", 128, 48},
                                            {"wide", 176, 60}, {"rows", 240, 48}, {"tail", 288, 4}});
    EXPECT_EQ(vs.constantBuffers[1].size, 304u);
    EXPECT_EQ(vs.constantBuffers[2].name, "$globals");
    ExpectVariables(vs.constantBuffers[2], {{"loose", 0, 4}, {"loosemode", 4, 4}});

    // HLSL-only packing with integers, and packoffset out of declaration order.
    const StageTranslation ps = Translate(R"(
cbuffer Mixed { float t; float2 res; int mode; uint count; bool flag; };
cbuffer Placed { float4 b : packoffset(c1); float4 a : packoffset(c0); float c : packoffset(c2.y); };
float4 PSMain() : SV_Target { return t + res.xyxy + mode + count + flag + a + b + c; }
)", "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.Ok()) << ps.log;
    ASSERT_EQ(ps.constantBuffers.size(), 2u);
    ExpectVariables(ps.constantBuffers[0], {{"t", 0, 4}, {"res", 4, 8}, {"mode", 12, 4}, {"count", 16, 4},
                                            {"flag", 20, 4}});
    ExpectVariables(ps.constantBuffers[1], {{"b", 16, 16}, {"a", 0, 16}, {"c", 36, 4}});
    EXPECT_EQ(ps.constantBuffers[1].size, 48u);
}

TEST(ShaderTranslation, TexturesAreTheUsedOnesAtTheirRegisters)
{
    const StageTranslation ps = Translate(R"(
Texture2D Implicit;
Texture2D Explicit : register(t0);
Texture2D Sixth : register(t5);
Texture2D NeverSampled : register(t1);
Texture2D Loaded;
SamplerState Linear : register(s2);
float4 Blur(Texture2D t, float2 uv) { return t.Sample(Linear, uv); }
float4 PSMain(float4 pos : SV_Position, float2 uv : TEXCOORD) : SV_Target
{
    return Blur(Implicit, uv) + Explicit.Sample(Linear, uv) + Sixth.Sample(Linear, uv) +
           Loaded.Load(int3(pos.xy, 0));
}
)", "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.Ok()) << ps.log;
    std::map<std::string, uint32_t> bindPoints;
    for (const auto& texture : ps.textures)
        bindPoints[texture.name] = texture.bindPoint;
    // Textures without a register take the lowest free ones in declaration order.
    const std::map<std::string, uint32_t> expected{{"Implicit", 1}, {"Explicit", 0}, {"Sixth", 5}, {"Loaded", 2}};
    EXPECT_EQ(bindPoints, expected);
}

TEST(ShaderTranslation, EffectSyntaxIsIgnoredAndLinesStayWhereTheyWere)
{
    const std::string fx = "SamplerState S { Filter = MIN_MAG_MIP_LINEAR; };\n"
                           "BlendState B\n{\n  BlendEnable[0] = TRUE;\n};\n"
                           "Texture2D T;\n"
                           "technique11 Main <string s = \"}\";> { pass P { SetPixelShader(CompileShader(ps_5_0, PS())); } }\n"
                           "// technique11 in a comment\n"
                           "float4 PS(float2 uv : TEXCOORD0) : SV_Target { return T.Sample(S, uv); }\n";
    const StageTranslation ps = Translate(fx, "PS", ShaderStage::Pixel);
    EXPECT_TRUE(ps.Ok()) << ps.log;
    const StageTranslation broken = Translate(fx + "float4 Bad() : SV_Target { return y; }\n", "Bad", ShaderStage::Pixel);
    EXPECT_NE(broken.log.find("shader.hlsl:10:"), std::string::npos) << broken.log;
}

TEST(ShaderTranslation, SampleOperatorOfMultisampledTexturesIsALoad)
{
    std::string source = "Texture2DMS<float4, 4> Colour : register(t0);\n"
                         "Texture2DMSArray<uint2> Layers;\n"
                         "struct S { float sample[2][2]; };\n"
                         "float4 Get(Texture2DMS<float4> t, uint i, float2 xy) { return t . sample [i] [xy]; }\n"
                         "float4 PSMain(float4 p : SV_Position, uint i : SV_SampleIndex) : SV_Target\n"
                         "{\n"
                         "    S s = (S)0; // Colour.sample[0][p.xy] in a comment stays\n"
                         "    float4 a = Colour.sample[i][int2(p.x, p[1])] + s.sample[0][1];\n"
                         "    return a + Layers.sample[i + 1][uint3(p.xy, 0)].x + Get(Colour, i, p.xy);\n"
                         "}\n";
    const auto lines = std::count(source.begin(), source.end(), '\n');
    EXPECT_TRUE(RewriteSampleIndexing(source));
    EXPECT_EQ(std::count(source.begin(), source.end(), '\n'), lines);
    EXPECT_NE(source.find("return t .Load(xy, i); }"), std::string::npos) << source;
    EXPECT_NE(source.find("Colour.Load(int2(p.x, p[1]), i) + s.sample[0][1]"), std::string::npos) << source;
    EXPECT_NE(source.find("Layers.Load(uint3(p.xy, 0), i + 1).x"), std::string::npos) << source;
    EXPECT_NE(source.find("// Colour.sample[0][p.xy] in a comment stays"), std::string::npos) << source;
    const StageTranslation ps = Translate(source, "PSMain", ShaderStage::Pixel);
    EXPECT_TRUE(ps.Ok()) << ps.log;

    std::string plain = "struct S { float4 sample[2][2]; };\nfloat4 F(S s) { return s.sample[0][1]; }\n";
    EXPECT_FALSE(RewriteSampleIndexing(plain));
}

TEST(ShaderTranslation, FailuresSayFileLineAndColumn)
{
    // Written on Windows: byte-order mark and CR LF line ends.
    const StageTranslation error =
        Translate("\xEF\xBB\xBF" "float4 PSMain() : SV_Target\r\n{\r\n    float x = 1\r\n    return x;\r\n}\r\n",
                  "PSMain", ShaderStage::Pixel);
    EXPECT_FALSE(error.Ok());
    EXPECT_TRUE(std::regex_search(error.log, std::regex("shader.hlsl:4:\\d+: error: "))) << error.log;
    EXPECT_TRUE(error.body.empty());

    const StageTranslation noEntry = Translate("float4 PSMain() : SV_Target { return 1; }", "Missing",
                                               ShaderStage::Pixel);
    EXPECT_FALSE(noEntry.Ok());
    EXPECT_NE(noEntry.log.find("'Missing' not found"), std::string::npos) << noEntry.log;

    // No include handler, as with Direct3D: the include fails even if the file exists.
    const StageTranslation include = Translate("#include \"common.hlsl\"\nfloat4 PSMain() : SV_Target { return 1; }\n",
                                               "PSMain", ShaderStage::Pixel);
    EXPECT_FALSE(include.Ok());
    EXPECT_NE(include.log.find("shader.hlsl:1"), std::string::npos) << include.log;

    // Direct3D gives each stage 14 constant buffers.
    std::string fifteen, sum = "0";
    for (int i = 0; i < 15; ++i) {
        fifteen += "cbuffer B" + std::to_string(i) + " { float v" + std::to_string(i) + "; };\n";
        sum += " + v" + std::to_string(i);
    }
    const StageTranslation tooMany =
        Translate(fifteen + "float4 VSMain() : SV_Position { return " + sum + "; }\n", "VSMain", ShaderStage::Vertex);
    EXPECT_FALSE(tooMany.Ok());
    EXPECT_NE(tooMany.log.find("15 constant buffers"), std::string::npos) << tooMany.log;
}

TEST(ShaderTranslation, CodecRefusesWhatItDidNotWrite)
{
    const StageTranslation ps = Translate("float4 PSMain(float2 uv : TEXCOORD) : SV_Target { return uv.xyxy; }",
                                          "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.Ok()) << ps.log;
    const std::string bytes = codec::Encode(ps);
    StageTranslation back;
    ASSERT_TRUE(codec::Decode(bytes, back));
    EXPECT_EQ(codec::Encode(back), bytes);
    for (size_t cut : {size_t{0}, size_t{5}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(codec::Decode(std::string_view(bytes).substr(0, cut), back)) << cut;
    std::string grown = bytes;
    grown[8] = '\x7f'; // the log's length, far past the end
    EXPECT_FALSE(codec::Decode(grown, back));
}

} // namespace
