// HLSL translation: reflection as Direct3D reports it, stage linking by semantic, failures
// with a useful log, and (on llvmpipe) that the emitted GLSL computes what Direct3D would.
#include "render/ModelVertex.h"
#include "render/gl/shader/ShaderCompiler.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

class ShaderFiles {
public:
    ShaderFiles() : m_Dir(fs::temp_directory_path() / ("ml_shader_test_" + std::to_string(::getpid())))
    {
        fs::create_directories(m_Dir);
    }
    ~ShaderFiles() { fs::remove_all(m_Dir); }
    std::string Write(const std::string& name, const std::string& text)
    {
        std::string path = (m_Dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    fs::path m_Dir;
};

const ReflectedConstantBuffer* FindBuffer(const CompiledShader& shader, const std::string& name)
{
    for (const auto& buffer : shader.constantBuffers)
        if (buffer.name == name)
            return &buffer;
    return nullptr;
}

// The location GLSL declares for a stage input or output, or -1.
int LocationOf(const std::string& glsl, const std::string& name)
{
    std::smatch match;
    std::regex pattern("layout\\(location = (\\d+)\\) (in|out) \\w+ " + name + ";");
    return std::regex_search(glsl, match, pattern) ? std::stoi(match[1]) : -1;
}

TEST(ShaderCompiler, ConstantBuffersAreReflectedInDeclarationOrderWithHlslPacking)
{
    ShaderFiles files;
    const std::string path = files.Write("buffers.hlsl", R"(
cbuffer Second : register(b1) { float4 Tint; float unusedB; };
cbuffer First : register(b0)
{
    float4x4 WorldMatrix;
    float3 Direction;
    float Fade_Value;      // packs into the float3's register
    float Weights[3];      // each element in its own register
    float2 After;
    float4x3 Tall;         // column_major: 3 columns of 4
    float3x4 Wide;         // column_major: 4 columns of 3
    row_major float3x4 Rows;
};
cbuffer Unused : register(b2) { float4 Nothing; };
float4 VSMain(float3 p : POSITION) : SV_Position
{
    float4 v = mul(float4(p, 1), WorldMatrix) * Tint;
    return v + float4(Direction * Fade_Value + Tall[0] + Wide[0].xyz + Rows[1].xyz, Weights[1] + After.x);
}
float4 PSMain() : SV_Target { return Tint; }
)");
    CompiledShader vs = CompileHlsl(path, "VSMain", ShaderStage::Vertex);
    ASSERT_TRUE(vs.ok) << vs.log;
    // Declared order, not register order; the unused buffer is left out.
    ASSERT_EQ(vs.constantBuffers.size(), 2u);
    EXPECT_EQ(vs.constantBuffers[0].name, "second");
    EXPECT_EQ(vs.constantBuffers[1].name, "first");
    EXPECT_EQ(vs.constantBuffers[0].glBinding, 0u);
    EXPECT_EQ(vs.constantBuffers[1].glBinding, 1u);
    EXPECT_EQ(vs.constantBuffers[0].size, 32u);

    const ReflectedConstantBuffer& first = vs.constantBuffers[1];
    struct Expected {
        const char* name;
        uint32_t offset, size;
    };
    const Expected expected[] = {
        {"worldmatrix", 0, 64}, {"direction", 64, 12}, {"fade_value", 76, 4}, {"weights", 80, 36},
        {"after", 128, 8},      {"tall", 144, 48},     {"wide", 192, 60},     {"rows", 256, 48},
    };
    ASSERT_EQ(first.variables.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(first.variables[i].name, expected[i].name);
        EXPECT_EQ(first.variables[i].offset, expected[i].offset) << expected[i].name;
        EXPECT_EQ(first.variables[i].size, expected[i].size) << expected[i].name;
    }
    EXPECT_EQ(first.size, 304u);

    // The emitted GLSL binds each record where the back end will put its buffer.
    EXPECT_NE(vs.glsl.find("layout(binding = 0, std140) uniform vs_Second"), std::string::npos) << vs.glsl;
    EXPECT_NE(vs.glsl.find("layout(binding = 1, std140) uniform vs_First"), std::string::npos) << vs.glsl;
    // Direct3D's clip space is kept: no y flip, no depth remap.
    EXPECT_EQ(vs.glsl.find("gl_Position.y ="), std::string::npos);
    EXPECT_EQ(vs.glsl.find("gl_Position.z ="), std::string::npos);

    CompiledShader ps = CompileHlsl(path, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.ok) << ps.log;
    ASSERT_EQ(ps.constantBuffers.size(), 1u);
    EXPECT_EQ(ps.constantBuffers[0].name, "second");
    EXPECT_EQ(ps.constantBuffers[0].glBinding, kPixelUniformBindingBase);
    EXPECT_NE(ps.glsl.find("uniform ps_Second"), std::string::npos) << ps.glsl;
}

TEST(ShaderCompiler, PackingGlslCannotExpressIsStillReflectedAndBound)
{
    ShaderFiles files;
    const std::string path = files.Write("odd.hlsl", R"(
cbuffer Odd { float Time; float2 Resolution; float Scale; float3 Tint; };
cbuffer Mixed { float Gain; float2 Bias; int Mode; };
float4 PSMain() : SV_Target { return float4(Resolution, Time, Scale) + float4(Tint, 1); }
float4 PSMixed() : SV_Target { return Gain + Bias.xyxy + Mode; }
)");
    CompiledShader ps = CompileHlsl(path, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.ok) << ps.log;
    const ReflectedConstantBuffer* odd = FindBuffer(ps, "odd");
    ASSERT_NE(odd, nullptr);
    ASSERT_EQ(odd->variables.size(), 4u);
    EXPECT_EQ(odd->variables[1].offset, 4u);
    EXPECT_EQ(odd->variables[2].offset, 12u);
    EXPECT_EQ(odd->variables[3].offset, 16u);
    EXPECT_EQ(odd->size, 32u);
    EXPECT_NE(ps.glsl.find("layout(binding = 8, std140) uniform"), std::string::npos) << ps.glsl;

    // Integer and float members in such a layout have no GLSL form: a clean failure.
    CompiledShader mixed = CompileHlsl(path, "PSMixed", ShaderStage::Pixel);
    EXPECT_FALSE(mixed.ok);
    EXPECT_NE(mixed.log.find("Mixed"), std::string::npos) << mixed.log;
}

TEST(ShaderCompiler, TexturesAreTheUsedOnesAtTheirRegisters)
{
    ShaderFiles files;
    const std::string path = files.Write("textures.hlsl", R"(
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
)");
    CompiledShader ps = CompileHlsl(path, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(ps.ok) << ps.log;
    std::map<std::string, uint32_t> bindPoints;
    for (const auto& texture : ps.textures) {
        bindPoints[texture.name] = texture.bindPoint;
        EXPECT_EQ(texture.glUnit, texture.bindPoint);
    }
    // Textures without a register take the lowest free ones in declaration order.
    const std::map<std::string, uint32_t> expected{{"Implicit", 1}, {"Explicit", 0}, {"Sixth", 5}, {"Loaded", 2}};
    EXPECT_EQ(bindPoints, expected);
    EXPECT_NE(ps.glsl.find("layout(binding = 5) uniform sampler2D ps_Sixth"), std::string::npos) << ps.glsl;
}

TEST(ShaderCompiler, StagesLinkBySemantic)
{
    ShaderFiles files;
    const std::string path = files.Write("link.hlsl", R"(
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD; float4 tint : Color0; float3 normal : NORMAL; };
VSOut VSMain(float2 uv : texcoord0, float4 colour : COLOR, float3 p : POSITION)
{
    VSOut o;
    o.pos = float4(p, 1);
    o.uv = uv;
    o.tint = colour;
    o.normal = p;
    return o;
}
// Declared in another order and with other spellings of the same semantics.
float4 PSMain(float3 n : normal0, float4 c : COLOR, float2 t : TEXCOORD0) : SV_Target { return c * t.x + n.x; }
float4 VSNormal(float3 n : NORMAL) : SV_Position { return float4(n, 1); }
)");
    CompiledShader vs = CompileHlsl(path, "VSMain", ShaderStage::Vertex);
    CompiledShader ps = CompileHlsl(path, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(vs.ok) << vs.log;
    ASSERT_TRUE(ps.ok) << ps.log;
    EXPECT_TRUE(vs.inputLayoutOk);
    EXPECT_EQ(LocationOf(vs.glsl, "in_POSITION0"), 0) << vs.glsl;
    EXPECT_EQ(LocationOf(vs.glsl, "in_COLOR0"), 1);
    EXPECT_EQ(LocationOf(vs.glsl, "in_TEXCOORD0"), 2);
    for (const char* varying : {"v_TEXCOORD0", "v_COLOR0", "v_NORMAL0"}) {
        EXPECT_GE(LocationOf(vs.glsl, varying), 0) << varying << "\n" << vs.glsl;
        EXPECT_EQ(LocationOf(vs.glsl, varying), LocationOf(ps.glsl, varying)) << varying << "\n" << ps.glsl;
    }

    // A vertex input the vertex format does not have: Direct3D's input layout would fail.
    CompiledShader normalOnly = CompileHlsl(path, "VSNormal", ShaderStage::Vertex);
    ASSERT_TRUE(normalOnly.ok) << normalOnly.log;
    EXPECT_FALSE(normalOnly.inputLayoutOk);
}

TEST(ShaderCompiler, FailuresCarryFileAndLine)
{
    ShaderFiles files;
    // Written on Windows: byte-order mark and CR LF line ends.
    const std::string broken =
        files.Write("broken.hlsl", "\xEF\xBB\xBF" "float4 PSMain() : SV_Target\r\n{\r\n    return undefinedThing;\r\n}\r\n");
    CompiledShader error = CompileHlsl(broken, "PSMain", ShaderStage::Pixel);
    EXPECT_FALSE(error.ok);
    EXPECT_NE(error.log.find(broken + ":3: error:"), std::string::npos) << error.log;
    EXPECT_NE(error.log.find("undefinedThing"), std::string::npos) << error.log;
    EXPECT_TRUE(error.glsl.empty());

    const std::string good = files.Write("good.hlsl", "float4 PSMain() : SV_Target { return 1; }\n");
    CompiledShader noEntry = CompileHlsl(good, "Missing", ShaderStage::Pixel);
    EXPECT_FALSE(noEntry.ok);
    EXPECT_NE(noEntry.log.find("Missing"), std::string::npos) << noEntry.log;

    CompiledShader noFile = CompileHlsl(good + ".absent", "PSMain", ShaderStage::Pixel);
    EXPECT_FALSE(noFile.ok);
    EXPECT_NE(noFile.log.find(good + ".absent"), std::string::npos) << noFile.log;

    // No include handler, as with Direct3D: the include itself fails even if the file exists.
    files.Write("common.hlsl", "float4 Grey() { return 0.5; }\n");
    const std::string includer =
        files.Write("includer.hlsl", "#include \"common.hlsl\"\nfloat4 PSMain() : SV_Target { return Grey(); }\n");
    CompiledShader include = CompileHlsl(includer, "PSMain", ShaderStage::Pixel);
    EXPECT_FALSE(include.ok);
    EXPECT_NE(include.log.find(includer + ":1:"), std::string::npos) << include.log;
}

// --- On the GL driver: what the emitted GLSL really computes. ---

class GLContext {
public:
    GLContext()
    {
        m_Display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (m_Display == EGL_NO_DISPLAY || !eglInitialize(m_Display, nullptr, nullptr))
            return;
        eglBindAPI(EGL_OPENGL_API);
        const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(m_Display, configAttribs, &config, 1, &count) || count == 0)
            return;
        const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                         EGL_NONE};
        m_Context = eglCreateContext(m_Display, config, EGL_NO_CONTEXT, contextAttribs);
        if (m_Context != EGL_NO_CONTEXT)
            m_bReady = eglMakeCurrent(m_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_Context);
    }
    ~GLContext()
    {
        if (m_Context != EGL_NO_CONTEXT) {
            eglMakeCurrent(m_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(m_Display, m_Context);
        }
        // No eglTerminate: it unloads the driver, and the leak checker could then no longer
        // tell the driver's own leftovers (suppressed by name) from ours.
    }
    bool Ready() const { return m_bReady; }

private:
    EGLDisplay m_Display = EGL_NO_DISPLAY;
    EGLContext m_Context = EGL_NO_CONTEXT;
    bool m_bReady = false;
};

GLuint CompileStage(GLenum type, const std::string& source)
{
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        ADD_FAILURE() << log << "\n" << source;
    }
    return shader;
}

TEST(ShaderCompiler, EmittedGlslComputesWhatDirect3DWould)
{
    GLContext context;
    if (!context.Ready())
        GTEST_SKIP() << "no OpenGL 4.5 context through EGL";

    ShaderFiles files;
    const std::string path = files.Write("numeric.hlsl", R"(
cbuffer Matrices : register(b0) { float4x4 WorldMatrix; };
cbuffer Extra : register(b1) { float3 Direction; float fade_value; };
struct VSOut { float4 pos : SV_Position; float4 value : TEXCOORD3; float4 colour : COLOR; };
VSOut VSMain(float3 p : POSITION, float4 c : COLOR, float2 uv : TEXCOORD)
{
    VSOut o;
    o.pos = float4(p, 1);
    o.value = mul(float4(1, 2, 3, 1), WorldMatrix);
    o.colour = float4(Direction, fade_value) + c * float4(uv, 0, 0);
    return o;
}
cbuffer Pixel { float Gain; float2 Bias; };
Texture2D Probe : register(t3);
SamplerState PointSampler : register(s0);
float4 PSMain(float4 pos : SV_Position, float4 colour : COLOR, float4 value : TEXCOORD3) : SV_Target
{
    if (pos.x < 1) return value * Gain + Bias.xyxy;
    if (pos.x < 2) return colour;
    if (pos.x < 3) return Probe.Sample(PointSampler, float2(0.5, 0.5));
    return pos;
}
)");
    CompiledShader vs = CompileHlsl(path, "VSMain", ShaderStage::Vertex);
    CompiledShader ps = CompileHlsl(path, "PSMain", ShaderStage::Pixel);
    ASSERT_TRUE(vs.ok) << vs.log;
    ASSERT_TRUE(ps.ok) << ps.log;
    ASSERT_EQ(vs.constantBuffers.size(), 2u);
    ASSERT_EQ(ps.constantBuffers.size(), 1u);
    ASSERT_EQ(ps.textures.size(), 1u);

    GLuint program = glCreateProgram();
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, vs.glsl);
    GLuint pixel = CompileStage(GL_FRAGMENT_SHADER, ps.glsl);
    glAttachShader(program, vertex);
    glAttachShader(program, pixel);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    char linkLog[2048] = {};
    glGetProgramInfoLog(program, sizeof(linkLog), nullptr, linkLog);
    ASSERT_TRUE(linked) << linkLog;

    // The row-vector World matrix, handed over transposed as the material does.
    float world[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            world[r][c] = static_cast<float>(r * 4 + c + 1) * (c == 3 ? -1.0f : 1.0f);
    float transposed[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            transposed[r * 4 + c] = world[c][r];
    const float point[4] = {1, 2, 3, 1};
    float expected[4] = {};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            expected[c] += point[r] * world[r][c];

    auto makeBuffer = [](const ReflectedConstantBuffer& record, const void* data, size_t size) {
        std::vector<unsigned char> bytes(record.size, 0);
        std::memcpy(bytes.data(), data, std::min<size_t>(size, bytes.size()));
        GLuint buffer = 0;
        glCreateBuffers(1, &buffer);
        glNamedBufferData(buffer, static_cast<GLsizeiptr>(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
        glBindBufferBase(GL_UNIFORM_BUFFER, record.glBinding, buffer);
        return buffer;
    };
    const float extra[4] = {0.25f, 0.5f, 0.75f, 0.125f}; // Direction, then fade_value at offset 12
    ASSERT_EQ(vs.constantBuffers[1].variables[1].offset, 12u);
    const float pixelConstants[4] = {2.0f, 10.0f, 20.0f, 0.0f}; // Gain, then Bias at offset 4
    ASSERT_EQ(ps.constantBuffers[0].variables[1].offset, 4u);
    GLuint buffers[3] = {makeBuffer(vs.constantBuffers[0], transposed, sizeof(transposed)),
                         makeBuffer(vs.constantBuffers[1], extra, sizeof(extra)),
                         makeBuffer(ps.constantBuffers[0], pixelConstants, sizeof(pixelConstants))};

    const float probeTexel[4] = {0.5f, 0.25f, 1.0f, 0.75f};
    GLuint probe = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &probe);
    glTextureStorage2D(probe, 1, GL_RGBA32F, 1, 1);
    glTextureSubImage2D(probe, 0, 0, 0, 1, 1, GL_RGBA, GL_FLOAT, probeTexel);
    glBindTextureUnit(ps.textures[0].glUnit, probe);

    // One triangle over a 4 x 2 float target, in Direct3D's clip conventions.
    GLuint target = 0, framebuffer = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &target);
    glTextureStorage2D(target, 1, GL_RGBA32F, 4, 2);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, target, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glViewport(0, 0, 4, 2);

    const ModelVertex vertices[3] = {
        {{-1, -1, 0.25f}, {1, 1, 1, 1}, {0, 0}},
        {{3, -1, 0.25f}, {1, 1, 1, 1}, {0, 0}},
        {{-1, 3, 0.25f}, {1, 1, 1, 1}, {0, 0}},
    };
    GLuint vbo = 0, vao = 0;
    glCreateBuffers(1, &vbo);
    glNamedBufferData(vbo, sizeof(vertices), vertices, GL_STATIC_DRAW);
    glCreateVertexArrays(1, &vao);
    glVertexArrayVertexBuffer(vao, 0, vbo, 0, sizeof(ModelVertex));
    const GLint components[3] = {3, 4, 2};
    const GLuint offsets[3] = {offsetof(ModelVertex, position), offsetof(ModelVertex, colour),
                               offsetof(ModelVertex, texcoord)};
    for (GLuint location = 0; location < 3; ++location) {
        glEnableVertexArrayAttrib(vao, location);
        glVertexArrayAttribFormat(vao, location, components[location], GL_FLOAT, GL_FALSE, offsets[location]);
        glVertexArrayAttribBinding(vao, location, 0);
    }
    glBindVertexArray(vao);
    glUseProgram(program);
    glDrawArrays(GL_TRIANGLES, 0, 3);

    float pixels[2][4][4] = {};
    glReadPixels(0, 0, 4, 2, GL_RGBA, GL_FLOAT, pixels);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const float bias[4] = {10, 20, 10, 20};
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(pixels[0][0][c], expected[c] * 2.0f + bias[c]) << "mul(point, WorldMatrix) component " << c;
        EXPECT_FLOAT_EQ(pixels[0][1][c], extra[c]) << "float3 + float register " << c;
        EXPECT_FLOAT_EQ(pixels[0][2][c], probeTexel[c]) << "texture at t3 " << c;
    }
    // SV_Position: pixel centres from the top-left, depth as written, w of the clip position.
    for (int row = 0; row < 2; ++row) {
        EXPECT_FLOAT_EQ(pixels[row][3][0], 3.5f);
        EXPECT_FLOAT_EQ(pixels[row][3][1], row + 0.5f);
        EXPECT_FLOAT_EQ(pixels[row][3][2], 0.25f);
        EXPECT_FLOAT_EQ(pixels[row][3][3], 1.0f);
    }

    glDeleteVertexArrays(1, &vao);
    glDeleteBuffers(1, &vbo);
    glDeleteBuffers(3, buffers);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &target);
    glDeleteTextures(1, &probe);
    glDeleteShader(vertex);
    glDeleteShader(pixel);
    glDeleteProgram(program);
}

} // namespace
