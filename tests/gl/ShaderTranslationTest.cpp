// HLSL translation in this process: reflection as Direct3D reports it, effect syntax,
// the multisample operator, messages with the shader's own place, texture offsets in loops, and the linking of one
// vertex/pixel pair. What the GLSL computes is checked by drawing (ShaderPixelTest).
#include "render/gl/shader/EffectSyntax.h"
#include "render/gl/shader/HlslTranslator.h"
#include "render/gl/shader/SampleIndexing.h"
#include "render/gl/shader/StageLinker.h"
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
    EXPECT_EQ(vs.constantBuffers[1].glBinding, 1u);
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
    EXPECT_EQ(ps.constantBuffers[0].glBinding, kPixelUniformBindingBase);
    ExpectVariables(ps.constantBuffers[0], {{"t", 0, 4}, {"res", 4, 8}, {"mode", 12, 4}, {"count", 16, 4},
                                            {"flag", 20, 4}});
    ExpectVariables(ps.constantBuffers[1], {{"b", 16, 16}, {"a", 0, 16}, {"c", 36, 4}});
    EXPECT_EQ(ps.constantBuffers[1].size, 48u);
}

TEST(ShaderTranslation, FourteenConstantBuffersPerStage)
{
    auto shader = [](int buffers) {
        std::string text, sum = "0";
        for (int i = 0; i < buffers; ++i) {
            text += "cbuffer B" + std::to_string(i) + " { float v" + std::to_string(i) + "; };\n";
            sum += " + v" + std::to_string(i);
        }
        return text + "float4 VSMain() : SV_Position { return " + sum + "; }\n";
    };
    const StageTranslation fourteen = Translate(shader(14), "VSMain", ShaderStage::Vertex);
    ASSERT_TRUE(fourteen.Ok()) << fourteen.log;
    EXPECT_EQ(fourteen.constantBuffers.back().glBinding, 13u);
    const StageTranslation fifteen = Translate(shader(15), "VSMain", ShaderStage::Vertex);
    EXPECT_FALSE(fifteen.Ok());
    EXPECT_NE(fifteen.log.find("15 constant buffers"), std::string::npos) << fifteen.log;
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
    EXPECT_NE(ps.body.find("layout(binding = 5) uniform sampler2D ps_Sixth"), std::string::npos) << ps.body;
}

TEST(ShaderTranslation, EffectSyntaxIsBlankedWhereItStands)
{
    std::string fx = "SamplerState S { Filter = MIN_MAG_MIP_LINEAR; };\n"
                     "BlendState B\n{\n  BlendEnable[0] = TRUE;\n};\n"
                     "// technique11 in a comment stays\n"
                     "float4 PS(float4 p : SV_Position) : SV_Target { return 1; }\n"
                     "technique11 T <string s = \"}\";> { pass P { SetPixelShader(CompileShader(ps_5_0, PS())); } }\n"
                     "sampler2D Old = sampler_state { Texture = <t>; };\n";
    const std::string original = fx;
    EXPECT_TRUE(BlankEffectSyntax(fx));
    ASSERT_EQ(fx.size(), original.size());
    EXPECT_EQ(std::count(fx.begin(), fx.end(), '\n'), std::count(original.begin(), original.end(), '\n'));
    EXPECT_NE(fx.find("SamplerState S "), std::string::npos);
    EXPECT_EQ(fx.find("Filter"), std::string::npos);
    EXPECT_EQ(fx.find("BlendState"), std::string::npos);
    EXPECT_NE(fx.find("// technique11 in a comment stays"), std::string::npos);
    EXPECT_EQ(fx.find("pass"), std::string::npos);
    EXPECT_NE(fx.find("float4 PS("), std::string::npos);
    std::string plain = "float4 PS() : SV_Target { return 1; }\n";
    EXPECT_FALSE(BlankEffectSyntax(plain));
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
}

TEST(ShaderTranslation, TextureOffsetsInLoopsBecomeConstants)
{
    const char* loops = R"(
Texture2D Tex; SamplerState S;
float4 Unrolled(float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    [unroll] for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x)
            sum += Tex.Sample(S, uv, int2(x, y));
    return sum / 9;
}
float4 Plain(float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += Tex.SampleLevel(S, uv, 0, int2(i, 0));
    return sum;
}
)";
    for (const char* entry : {"Unrolled", "Plain"}) {
        const StageTranslation ps = Translate(loops, entry, ShaderStage::Pixel);
        ASSERT_TRUE(ps.Ok()) << entry << ": " << ps.log;
        // Every offset is a literal vector: no loop is left around an offset access.
        EXPECT_EQ(ps.body.find("for ("), std::string::npos) << ps.body;
        EXPECT_TRUE(std::regex_search(ps.body, std::regex("Offset\\([^;]*ivec2\\(-?\\d+, -?\\d+\\)"))) << ps.body;
    }
}

TEST(ShaderTranslation, EachPairLinksOnItsOwn)
{
    const char* shaders = R"(
struct VSOut { float4 pos : SV_Position; float4 taps[8] : TEXCOORD1; float4x4 m : TEXCOORD9; float4 wide : COLOR3; };
VSOut VSMain(float3 p : POSITION) { VSOut o = (VSOut)0; o.pos = float4(p, 1); return o; }
float4 PSNarrow(float4 pos : SV_Position, float2 narrow : COLOR3, float4 tap : TEXCOORD4, float4 row : TEXCOORD10,
                float4 never : NORMAL) : SV_Target { return narrow.xyxy + tap + row + never; }
float4 VSOther(float3 p : POSITION, out float4 q : BINORMAL5) : SV_Position { q = 1; return float4(p, 1); }
float4 PSOther(float4 q : BINORMAL5) : SV_Target { return q; }
)";
    const StageTranslation vs = Translate(shaders, "VSMain", ShaderStage::Vertex);
    const StageTranslation ps = Translate(shaders, "PSNarrow", ShaderStage::Pixel);
    const StageTranslation vs2 = Translate(shaders, "VSOther", ShaderStage::Vertex);
    const StageTranslation ps2 = Translate(shaders, "PSOther", ShaderStage::Pixel);
    for (const StageTranslation* t : {&vs, &ps, &vs2, &ps2})
        ASSERT_TRUE(t->Ok()) << t->log;
    const LinkedSources pair = LinkStages(vs, &ps);
    ASSERT_TRUE(pair.ok) << pair.error;
    // Three registers cross, at locations 0 to 2 of this pair; the fourth input is not written.
    for (int location = 0; location < 3; ++location) {
        const std::string reg = "layout(location = " + std::to_string(location) + ") ";
        EXPECT_NE(pair.vertex.find(reg), std::string::npos) << pair.vertex;
        EXPECT_NE(pair.pixel.find(reg), std::string::npos) << pair.pixel;
    }
    EXPECT_EQ(pair.pixel.find("layout(location = 3) in"), std::string::npos) << pair.pixel;
    EXPECT_NE(pair.pixel.find(".xy;"), std::string::npos) << "float4 written, float2 read\n" << pair.pixel;
    EXPECT_NE(pair.vertex.find("ml_v_TEXCOORD4;"), std::string::npos) << "the fourth tap\n" << pair.vertex;
    EXPECT_NE(pair.vertex.find("ml_v_TEXCOORD9[1]"), std::string::npos) << "the matrix's second row\n" << pair.vertex;
    // Another pair starts at location 0 again, whatever was placed before.
    const LinkedSources other = LinkStages(vs2, &ps2);
    ASSERT_TRUE(other.ok) << other.error;
    EXPECT_NE(other.pixel.find("layout(location = 0) in vec4 ml_r0;"), std::string::npos) << other.pixel;
    // A vertex shader alone: no outputs declared at all.
    const LinkedSources alone = LinkStages(vs, nullptr);
    ASSERT_TRUE(alone.ok);
    EXPECT_EQ(alone.vertex.find(" out "), std::string::npos) << alone.vertex;
    EXPECT_TRUE(alone.pixel.empty());
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
