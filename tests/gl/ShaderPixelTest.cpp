// Shaders drawn through real materials: each way real shader model 5 code used to fail
// on this back end, shown by the pixels it draws now.
#include "ShaderHarness.h"

namespace {

constexpr std::array<int, 3> kGreen{0, 255, 0};

class ShaderPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_Harness.Ready())
            GTEST_SKIP() << "no OpenGL 4.5 context through EGL";
    }
    ShaderHarness m_Harness;
};

TEST_F(ShaderPixels, TwoHundredMaterialsWithTheirOwnSemanticsEachLinkAndDraw)
{
    // Once locations came from one table for the whole process, the 32nd semantic failed,
    // and so did TEXCOORD0 taking another shape than in the material before.
    for (int i = 0; i < 200; ++i) {
        const std::string semantic = "VALUE" + std::to_string(i);
        const bool matrix = i % 2 == 1;
        const std::string shader = "struct V { float4 pos : SV_Position; float4 c : " + semantic + "; " +
                                   (matrix ? "float4x4 m" : "float4 m[2]") + " : TEXCOORD0; };\n"
                                   "V VSMain(float3 p : POSITION) { V o; o.pos = float4(p, 1); o.c = float4(0, " +
                                   std::to_string(i) + " / 255.0, 0, 1); " +
                                   (matrix ? "o.m = 1;" : "o.m[0] = 0; o.m[1] = 1;") + " return o; }\n"
                                   "float4 PSMain(float4 c : " + semantic +
                                   ", float4 m1 : TEXCOORD1) : SV_Target { return c * m1; }\n";
        CGLMaterialResource* material = m_Harness.Material("m" + std::to_string(i), shader, "VSMain", "PSMain");
        ASSERT_NE(material->GetProgram(), 0u) << i;
        ASSERT_TRUE(Near(m_Harness.CentreOf(material), {0, i, 0})) << i;
    }
}

TEST_F(ShaderPixels, ArrayMatrixAndNarrowerVaryings)
{
    CGLMaterialResource* material = m_Harness.Material("varyings", R"(
struct V { float4 pos : SV_Position; float4 taps[8] : TEXCOORD1; float4x4 m : TEXCOORD9; float4 wide : COLOR3; };
V VSMain(float3 p : POSITION)
{
    V o;
    o.pos = float4(p, 1);
    [unroll] for (int i = 0; i < 8; ++i) o.taps[i] = i / 8.0;
    o.m = float4x4(0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 0.0, 0.1, 0.2, 0.3, 0.4, 0.5);
    o.wide = float4(0.25, 0.5, 0.75, 1);
    return o;
}
float4 PSMain(V i, float2 narrow : COLOR3) : SV_Target
{
    float ok = abs(i.taps[5].x - 0.625) < 0.01 && abs(i.m[1][2] - 0.7) < 0.01 && abs(i.m[3][0] - 0.2) < 0.01 &&
               abs(narrow.y - 0.5) < 0.01;
    return float4(1 - ok, ok, 0, 1);
}
)", "VSMain", "PSMain");
    ASSERT_NE(material->GetProgram(), 0u);
    EXPECT_TRUE(Near(m_Harness.CentreOf(material), kGreen));
}

TEST_F(ShaderPixels, ConstantsReachHlslOnlyPacking)
{
    static const float t = 0.5f;
    static const float res[2] = {0.25f, 0.75f};
    static const int32_t mode = -3;
    static const uint32_t flag = 1;
    static const float placed[4] = {0.125f, 0.0f, 0.0f, 1.0f};
    m_Harness.Publish("T", &t, 4);
    m_Harness.Publish("Res", res, 8);
    m_Harness.Publish("Mode", &mode, 4);
    m_Harness.Publish("Flag", &flag, 4);
    m_Harness.Publish("Placed", placed, 16);
    CGLMaterialResource* material = m_Harness.Material("packing", R"(
cbuffer Mixed { float T; float2 Res; int Mode; bool Flag; };
cbuffer Order { float4 Later : packoffset(c1); float4 Placed : packoffset(c0); };
float4 PSMain() : SV_Target
{
    bool ok = T == 0.5 && Res.y == 0.75 && Mode == -3 && Flag && Placed.x == 0.125 && Later.x == 0;
    return ok ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}
)", "", "PSMain");
    ASSERT_NE(material->GetProgram(), 0u);
    EXPECT_TRUE(Near(m_Harness.CentreOf(material), kGreen));
}

TEST_F(ShaderPixels, VertexShaderAloneWritesDepthNotColour)
{
    CGLMaterialResource* occluder = m_Harness.Material("occluder", R"(
float4 VSMain(float3 p : POSITION) : SV_Position { return float4(p.xy, 0.2, 1); }
)", "VSMain", "-");
    CGLMaterialResource* behind = m_Harness.Material("behind", R"(
float4 VSMain(float3 p : POSITION) : SV_Position { return float4(p.xy, 0.5, 1); }
float4 PSMain() : SV_Target { return float4(1, 1, 1, 1); }
)", "VSMain", "PSMain");
    ASSERT_NE(occluder->GetProgram(), 0u);
    m_Harness.Clear();
    m_Harness.Draw(occluder);
    EXPECT_TRUE(Uniform(m_Harness.Picture(), {0, 0, 0})) << "no colour from a missing pixel shader";
    m_Harness.Draw(behind);
    EXPECT_TRUE(Uniform(m_Harness.Picture(), {0, 0, 0})) << "the occluder's depth hides what is behind";
}

TEST_F(ShaderPixels, FourteenVertexBuffersAndThePixelShadersOwn)
{
    // Each buffer holds its own number, so a vertex buffer bound where a pixel buffer is
    // reads the wrong one: red counts the vertex buffers read wrong, blue the pixel one.
    static float values[15];
    std::string vs, matches = "0";
    for (int i = 0; i < 14; ++i) {
        values[i] = static_cast<float>(i + 1);
        const std::string name = "VsValue" + std::to_string(i);
        m_Harness.Publish(name, &values[i], 4);
        vs += "cbuffer B" + std::to_string(i) + " { float " + name + "; };\n";
        matches += " + (" + name + " == " + std::to_string(i + 1) + ")";
    }
    values[14] = 100;
    m_Harness.Publish("PsValue", &values[14], 4);
    CGLMaterialResource* material = m_Harness.Material("fourteen", vs + R"(
struct V { float4 pos : SV_Position; float matches : TEXCOORD0; };
V VSMain(float3 p : POSITION) { V o; o.pos = float4(p, 1); o.matches = )" + matches + R"(; return o; }
cbuffer P { float PsValue; };
float4 PSMain(V i) : SV_Target { return float4((14 - i.matches) / 14, i.matches == 14, PsValue != 100, 1); }
)", "VSMain", "PSMain");
    ASSERT_NE(material->GetProgram(), 0u);
    EXPECT_TRUE(Near(m_Harness.CentreOf(material), kGreen));
}

TEST_F(ShaderPixels, EmptyRegistersReadZeroInEveryDimension)
{
    m_Harness.UnbindTextures();
    CGLMaterialResource* material = m_Harness.Material("empty", R"(
Texture2D A : register(t0); Texture2DArray B : register(t1); TextureCube C : register(t2);
Texture3D D : register(t3); Texture1D E : register(t5);
SamplerState S;
float4 PSMain() : SV_Target
{
    float4 sum = A.Sample(S, 0.5) + B.Sample(S, float3(0.5, 0.5, 0)) + C.Sample(S, float3(1, 0, 0)) +
                 D.Sample(S, 0.5) + E.Sample(S, 0.5);
    // Each texture read (0, 0, 0, 1) here once; Direct3D reads (0, 0, 0, 0).
    return float4(0, all(sum == 0), 0, 1);
}
)", "", "PSMain");
    ASSERT_NE(material->GetProgram(), 0u);
    EXPECT_TRUE(Near(m_Harness.CentreOf(material), kGreen));
}

TEST_F(ShaderPixels, TextureOffsetsInLoops)
{
    // t0 is 2x2: red, green / blue, white. From the top-left texel, offsets reach all four.
    CGLMaterialResource* material = m_Harness.Material("offsets", R"(
Texture2D Tex : register(t0); SamplerState S;
float4 PSMain() : SV_Target
{
    float4 sum = 0;
    for (int y = 0; y < 2; ++y)
        [unroll] for (int x = 0; x < 2; ++x)
            sum += Tex.SampleLevel(S, float2(0.25, 0.25), 0, int2(x, y));
    return float4(sum.rgb / 4, 1);
}
)", "", "PSMain");
    ASSERT_NE(material->GetProgram(), 0u);
    EXPECT_TRUE(Near(m_Harness.CentreOf(material), {128, 128, 128}));
}

} // namespace
