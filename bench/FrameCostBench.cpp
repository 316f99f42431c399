// Frame cost of the player against an independent minimal program drawing the
// same picture: a fade-up over an empty scene with one effect (scene target ->
// effect pass -> fade pass -> back buffer), at 1280x720 and 1920x1080. The
// baseline shares no code with the player: its own EGL context, its own GLSL,
// its own states, and it draws the plain way (the scene target cleared once,
// each pass opaque into a target it overwrites, no stencil, no depth). Rounds
// alternate player and baseline frames, each frame ending in glFinish so
// llvmpipe's work is counted; each round gives one ratio of medians of wall
// time and one of process CPU time, and the spread of those ratios is
// reported. The two pictures are compared at the end.
// Usage: FrameCostBench [rounds=15] [frames per round=12]
#include "BenchGL.h"
#include "BenchProduction.h"

#include "app/FrameLoop.h"
#include "BenchContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "render/gl/GLRenderer.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kEffectHlsl = R"(
cbuffer Fade : register(b0) { float fade_value; };
Texture2D Frame : register(t0);
SamplerState Linear : register(s0);
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
VSOut VSPass(VSIn i) { VSOut o; o.pos = float4(i.pos.xy, 0.0, 1.0); o.uv = i.uv; return o; }
float4 PSGrade(VSOut i) : SV_Target
{
    float3 c = Frame.Sample(Linear, i.uv).rgb;
    return float4(c * 0.8 + float3(0.1, 0.05, 0.02) + float3(i.uv, 0.0) * 0.3, 1.0);
}
float4 PSFade(VSOut i) : SV_Target { return float4(Frame.Sample(Linear, i.uv).rgb * fade_value, 1.0); }
)";

// The baseline's own GLSL for the same two passes.
constexpr const char* kVertexGlsl = R"(#version 450 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
layout(location = 0) out vec2 uv;
void main() { gl_Position = vec4(position, 0.0, 1.0); uv = texcoord; }
)";
constexpr const char* kGradeGlsl = R"(#version 450 core
layout(binding = 0) uniform sampler2D frame;
layout(location = 0) in vec2 uv;
layout(location = 0) out vec4 colour;
void main() { colour = vec4(texture(frame, uv).rgb * 0.8 + vec3(0.1, 0.05, 0.02) + vec3(uv, 0.0) * 0.3, 1.0); }
)";
constexpr const char* kFadeGlsl = R"(#version 450 core
layout(binding = 0) uniform sampler2D frame;
layout(std140, binding = 0) uniform Fade { float fade_value; };
layout(location = 0) in vec2 uv;
layout(location = 0) out vec4 colour;
void main() { colour = vec4(texture(frame, uv).rgb * fade_value, 1.0); }
)";

std::filesystem::path WriteFadeUp()
{
    const auto dir = std::filesystem::temp_directory_path() / ("ml-framecost-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "Data" / "Mats");
    std::filesystem::create_directories(dir / "Data" / "Shaders");
    auto write = [&](const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; };
    write("Data/Shaders/Passes.hlsl", kEffectHlsl);
    auto material = [](const char* entry) {
        return std::string("loadvertexshader Data\\Shaders\\Passes.hlsl VSPass\n"
                           "loadpixelshader Data\\Shaders\\Passes.hlsl ") +
               entry + "\ntextureslot rendertarget Frame\n";
    };
    write("Data/Mats/FaderMaterial.txt", material("PSFade"));
    write("Data/Mats/Grade.txt", material("PSGrade"));
    write("DemoScript.txt", "creatematerial grade Data\\Mats\\Grade.txt\n"
                            "createpostprocess grade grade\n"
                            "addpostprocess grade\n"
                            "fadeup 3600\n"
                            "delayuntil delay 3600\n");
    return dir;
}

// A GL context of the baseline's own, on the same EGL display the process already uses.
class OwnContext {
public:
    OwnContext()
    {
        m_Display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (m_Display == EGL_NO_DISPLAY || !eglInitialize(m_Display, nullptr, nullptr))
            Fail("no surfaceless EGL display");
        eglBindAPI(EGL_OPENGL_API);
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
        m_Context = eglCreateContext(m_Display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
        if (m_Context == EGL_NO_CONTEXT)
            Fail("no GL 4.5 context of its own");
    }
    ~OwnContext() { eglDestroyContext(m_Display, m_Context); }

    // Makes this context current and returns what was, for Restore.
    void Enter()
    {
        m_PreviousDisplay = eglGetCurrentDisplay();
        m_Previous = eglGetCurrentContext();
        eglMakeCurrent(m_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_Context);
    }
    void Leave() { eglMakeCurrent(m_PreviousDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, m_Previous); }

private:
    static void Fail(const char* what)
    {
        std::fprintf(stderr, "baseline: %s\n", what);
        std::exit(1);
    }
    EGLDisplay m_Display = EGL_NO_DISPLAY;
    EGLContext m_Context = EGL_NO_CONTEXT;
    EGLDisplay m_PreviousDisplay = EGL_NO_DISPLAY;
    EGLContext m_Previous = EGL_NO_CONTEXT;
};

// The minimal program: created and drawn with its own context current.
class MinimalFadeUp {
public:
    MinimalFadeUp(int w, int h) : m_W(w), m_H(h)
    {
        glCreateRenderbuffers(1, &m_Depth);
        glNamedRenderbufferStorage(m_Depth, GL_DEPTH24_STENCIL8, w, h);
        glCreateRenderbuffers(1, &m_BackColour);
        glNamedRenderbufferStorage(m_BackColour, GL_RGBA8, w, h);
        glCreateFramebuffers(1, &m_Back);
        glNamedFramebufferRenderbuffer(m_Back, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_BackColour);
        for (int i = 0; i < 2; ++i) {
            glCreateTextures(GL_TEXTURE_2D, 1, &m_Targets[i]);
            glTextureStorage2D(m_Targets[i], 1, GL_RGBA32F, w, h);
            glTextureParameteri(m_Targets[i], GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTextureParameteri(m_Targets[i], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTextureParameteri(m_Targets[i], GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTextureParameteri(m_Targets[i], GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glCreateFramebuffers(1, &m_Fbos[i]);
            glNamedFramebufferTexture(m_Fbos[i], GL_COLOR_ATTACHMENT0, m_Targets[i], 0);
        }
        // The scene target has the depth a scene would be drawn against.
        glNamedFramebufferRenderbuffer(m_Fbos[0], GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_Depth);
        m_Grade = LinkReferenceProgram(kVertexGlsl, kGradeGlsl);
        m_Fade = LinkReferenceProgram(kVertexGlsl, kFadeGlsl);
        // Two triangles, clockwise in y-down terms, as any program would draw a quad.
        const float quad[] = {-1, 1, 0, 0, 1, 1, 1, 0, -1, -1, 0, 1, 1, -1, 1, 1};
        const uint32_t indices[] = {0, 2, 1, 1, 2, 3};
        glCreateBuffers(1, &m_Vbo);
        glNamedBufferStorage(m_Vbo, sizeof quad, quad, 0);
        glCreateBuffers(1, &m_Ibo);
        glNamedBufferStorage(m_Ibo, sizeof indices, indices, 0);
        glCreateBuffers(1, &m_Ubo);
        glNamedBufferStorage(m_Ubo, 16, nullptr, GL_DYNAMIC_STORAGE_BIT);
        glCreateVertexArrays(1, &m_Vao);
        for (GLuint a = 0; a < 2; ++a) {
            glEnableVertexArrayAttrib(m_Vao, a);
            glVertexArrayAttribFormat(m_Vao, a, 2, GL_FLOAT, GL_FALSE, a * 8);
            glVertexArrayAttribBinding(m_Vao, a, 0);
        }
        glVertexArrayVertexBuffer(m_Vao, 0, m_Vbo, 0, 16);
        glVertexArrayElementBuffer(m_Vao, m_Ibo);
        // Top of the picture in row 0, as the player keeps it.
        glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_CULL_FACE);
        glViewport(0, 0, w, h);
    }

    void Draw(float fade)
    {
        const float constants[4] = {fade, 0, 0, 0};
        glNamedBufferSubData(m_Ubo, 0, sizeof constants, constants);
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, m_Ubo);
        glBindVertexArray(m_Vao);
        const GLfloat black[4] = {0, 0, 0, 1};
        const GLfloat one = 1.0f;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbos[0]);
        glClearNamedFramebufferfv(m_Fbos[0], GL_COLOR, 0, black);
        glClearNamedFramebufferfv(m_Fbos[0], GL_DEPTH, 0, &one);
        // (the scene: empty)
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbos[1]);
        glUseProgram(m_Grade);
        glBindTextureUnit(0, m_Targets[0]);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Back);
        glUseProgram(m_Fade);
        glBindTextureUnit(0, m_Targets[1]);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    }

    std::vector<uint8_t> Read() const { return ReadRgba(m_Back, m_W, m_H); }

    static std::vector<uint8_t> ReadRgba(GLuint framebuffer, int w, int h)
    {
        std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
        glNamedFramebufferReadBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadnPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(rgba.size()), rgba.data());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return rgba;
    }

private:
    int m_W, m_H;
    GLuint m_Depth = 0, m_BackColour = 0, m_Back = 0, m_Targets[2] = {}, m_Fbos[2] = {};
    GLuint m_Grade = 0, m_Fade = 0, m_Vbo = 0, m_Ibo = 0, m_Ubo = 0, m_Vao = 0;
};

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Spread {
    double min, median, max;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

// One size: returns whether the median ratio meets the target.
bool Measure(CEglContext& playerContext, int width, int height, int rounds, int perRound)
{
    auto demo = std::make_unique<CSDLDemoSystem>(&playerContext, true);
    if (!demo->Init("DemoScript.txt", width, height)) {
        std::fprintf(stderr, "the player did not start\n");
        std::exit(1);
    }
    OwnContext own;
    own.Enter();
    auto minimal = std::make_unique<MinimalFadeUp>(width, height);
    own.Leave();

    const float dt = 1.0f / 60.0f;
    float time = 0.0f;
    // Each frame: wall time and the process's CPU time (the rasterizer's threads
    // included), which a busy machine disturbs less.
    struct Cost {
        double wall, cpu;
    };
    auto timed = [](auto draw) {
        const auto start = Clock::now();
        const double cpu0 = ProcessCpuMs();
        draw();
        glFinish();
        return Cost{std::chrono::duration<double, std::milli>(Clock::now() - start).count(), ProcessCpuMs() - cpu0};
    };
    auto playerFrame = [&] {
        const Cost c = timed([&] { RunFrame(*demo, dt); });
        time += dt;
        return c;
    };
    auto minimalFrame = [&] {
        own.Enter();
        const Cost c = timed([&] { minimal->Draw(time / 3600.0f); });
        own.Leave();
        return c;
    };
    // Warm-up: the first frame runs the script and loads the materials.
    for (int i = 0; i < 3; ++i) {
        playerFrame();
        minimalFrame();
    }
    std::vector<double> wallRatios, cpuRatios, playerMs, minimalMs;
    for (int r = 0; r < rounds; ++r) {
        std::vector<Cost> p, m;
        // Alternate which goes first, so neither always follows the other's cache state.
        for (int k = 0; k < 2; ++k) {
            const bool playerFirst = (r + k) % 2 == 0;
            for (int i = 0; i < perRound / 2; ++i)
                (playerFirst ? p : m).push_back(playerFirst ? playerFrame() : minimalFrame());
            for (int i = 0; i < perRound / 2; ++i)
                (playerFirst ? m : p).push_back(playerFirst ? minimalFrame() : playerFrame());
        }
        auto median = [](const std::vector<Cost>& costs, double Cost::*field) {
            std::vector<double> v;
            for (const Cost& c : costs)
                v.push_back(c.*field);
            return Median(v);
        };
        wallRatios.push_back(median(p, &Cost::wall) / median(m, &Cost::wall));
        cpuRatios.push_back(median(p, &Cost::cpu) / median(m, &Cost::cpu));
        for (const Cost& c : p)
            playerMs.push_back(c.wall);
        for (const Cost& c : m)
            minimalMs.push_back(c.wall);
    }

    // The same picture: draw both with one fade value and compare.
    RunFrame(*demo, 0.0f);
    const auto& renderer = static_cast<const CGLRenderer&>(*demo->m_pRenderer);
    const auto playerPixels = MinimalFadeUp::ReadRgba(renderer.GetBackBuffer(), width, height);
    own.Enter();
    minimal->Draw(demo->m_pRenderer->GetFadeValue());
    const auto minimalPixels = minimal->Read();
    minimal.reset();
    own.Leave();
    int worst = 0;
    for (size_t i = 0; i < playerPixels.size(); ++i)
        worst = std::max(worst, std::abs(int(playerPixels[i]) - int(minimalPixels[i])));

    const Spread wall = SpreadOf(wallRatios);
    const Spread cpu = SpreadOf(cpuRatios);
    std::printf("%dx%d, fade-up over one effect, %d rounds of %d frames each:\n", width, height, rounds, perRound);
    std::printf("  player %.2f ms/frame, minimal %.2f ms/frame (medians)\n", Median(playerMs), Median(minimalMs));
    std::printf("  player / minimal, wall: min %.3f, median %.3f, max %.3f (target median <= 1.03) %s\n", wall.min,
                wall.median, wall.max, wall.median <= 1.03 ? "PASS" : "FAIL");
    std::printf("  player / minimal, CPU:  min %.3f, median %.3f, max %.3f\n", cpu.min, cpu.median, cpu.max);
    std::printf("  pictures differ by at most %d of 255 per channel\n", worst);
    return wall.median <= 1.03 && worst <= 1;
}

} // namespace

int main(int argc, char** argv)
{
#ifndef NDEBUG
    std::printf("note: built without NDEBUG; figures from a Debug build are not representative\n");
#endif
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int perRound = argc > 2 ? std::max(2, std::atoi(argv[2])) : 12;
    const auto dir = WriteFadeUp();
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    auto context = bench::OpenPlayerContext();
    if (!context)
        return 1;
    bool pass = true;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
        pass = Measure(*context, w, h, rounds, perRound) && pass;
    context.reset();
    std::filesystem::current_path(cwd);
    std::filesystem::remove_all(dir);
    return pass ? 0 : 1;
}
