// Frame cost of the player against a minimal OpenGL program doing the same
// passes, in one run on one context: a 1920x1080 frame of an (empty) scene
// target, two sampling effects and the fade. Each frame ends with glFinish so
// the GPU's (llvmpipe's) work is counted. Prints medians in milliseconds.
#include "BenchGL.h"
#include "BenchProduction.h"

#include "app/FrameLoop.h"
#include "app/platform/EglContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "render/FullScreenQuad.h"
#include "render/gl/GLStates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <epoxy/gl.h>
#include <vector>

namespace {

constexpr const char* kVertex = R"(#version 450 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec2 texcoord;
layout(location = 0) out vec2 uv;
void main() { gl_Position = vec4(position, 1.0); uv = texcoord; }
)";

constexpr const char* kFragmentHead = R"(#version 450 core
layout(binding = 0) uniform sampler2D source;
layout(std140, binding = 8) uniform Frame { float fade_value; float global_time; };
layout(location = 0) in vec2 uv;
layout(location = 0) out vec4 colour;
)";

constexpr const char* kWarm = "void main() { vec4 s = texture(source, uv); "
                              "colour = vec4(s.r * 0.9 + 0.1, s.g * 0.8, s.b * 0.7 + uv.x * 0.1, 1.0); }";
constexpr const char* kSwap = "void main() { vec4 s = texture(source, uv); "
                              "colour = vec4(s.b, s.g, s.r + global_time * 0.001, 1.0); }";
constexpr const char* kFade = "void main() { colour = vec4(texture(source, uv).rgb * fade_value, 1.0); }";

GLuint Program(const char* body)
{
    const std::string fragment = std::string(kFragmentHead) + body;
    return LinkReferenceProgram(kVertex, fragment.c_str());
}

// The same passes with nothing around them.
class MinimalFrame {
public:
    MinimalFrame(int w, int h) : m_W(w), m_H(h)
    {
        glCreateRenderbuffers(1, &m_Depth);
        glNamedRenderbufferStorage(m_Depth, GL_DEPTH24_STENCIL8, w, h);
        glCreateRenderbuffers(1, &m_BackColour);
        glNamedRenderbufferStorage(m_BackColour, GL_RGBA8, w, h);
        glCreateFramebuffers(1, &m_Back);
        glNamedFramebufferRenderbuffer(m_Back, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_BackColour);
        glNamedFramebufferRenderbuffer(m_Back, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_Depth);
        for (int i = 0; i < 3; ++i) {
            glCreateTextures(GL_TEXTURE_2D, 1, &m_Tex[i]);
            glTextureStorage2D(m_Tex[i], 1, GL_RGBA32F, w, h);
            glTextureParameteri(m_Tex[i], GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTextureParameteri(m_Tex[i], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTextureParameteri(m_Tex[i], GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTextureParameteri(m_Tex[i], GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glCreateFramebuffers(1, &m_Fbo[i]);
            glNamedFramebufferTexture(m_Fbo[i], GL_COLOR_ATTACHMENT0, m_Tex[i], 0);
            glNamedFramebufferRenderbuffer(m_Fbo[i], GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_Depth);
        }
        m_Programs[0] = Program(kWarm);
        m_Programs[1] = Program(kSwap);
        m_Programs[2] = Program(kFade);
        glCreateBuffers(1, &m_Vbo);
        glNamedBufferStorage(m_Vbo, sizeof(kUnitQuadVertices), kUnitQuadVertices, 0);
        glCreateBuffers(1, &m_Ibo);
        glNamedBufferStorage(m_Ibo, sizeof(kUnitQuadIndices), kUnitQuadIndices, 0);
        glCreateBuffers(1, &m_Ubo);
        glNamedBufferStorage(m_Ubo, 16, nullptr, GL_DYNAMIC_STORAGE_BIT);
        glCreateVertexArrays(1, &m_Vao);
        glEnableVertexArrayAttrib(m_Vao, 0);
        glVertexArrayAttribFormat(m_Vao, 0, 3, GL_FLOAT, GL_FALSE, 0);
        glVertexArrayAttribBinding(m_Vao, 0, 0);
        glEnableVertexArrayAttrib(m_Vao, 2);
        glVertexArrayAttribFormat(m_Vao, 2, 2, GL_FLOAT, GL_FALSE, 28);
        glVertexArrayAttribBinding(m_Vao, 2, 0);
        glVertexArrayVertexBuffer(m_Vao, 0, m_Vbo, 0, sizeof(ModelVertex));
        glVertexArrayElementBuffer(m_Vao, m_Ibo);
    }

    void Draw(float time)
    {
        const GLfloat black[4] = {0, 0, 0, 1};
        const GLfloat one = 1.0f;
        const float constants[4] = {1.0f, time, 0, 0};
        glNamedBufferSubData(m_Ubo, 0, 16, constants);
        glBindBufferBase(GL_UNIFORM_BUFFER, 8, m_Ubo);
        glBindVertexArray(m_Vao);
        glstate::Bind(glstate::kDefaultBlend);
        // Scene target, then the back buffer cleared.
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbo[0]);
        glClearNamedFramebufferfv(m_Fbo[0], GL_COLOR, 0, black);
        glClearNamedFramebufferfv(m_Fbo[0], GL_DEPTH, 0, &one);
        glClearNamedFramebufferfv(m_Back, GL_COLOR, 0, black);
        glClearNamedFramebufferfv(m_Back, GL_DEPTH, 0, &one);
        glstate::Bind(glstate::kPassDepthStencil, 1);
        for (int pass = 0; pass < 3; ++pass) {
            const GLuint target = pass < 2 ? m_Fbo[pass + 1] : m_Back;
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
            if (pass < 2) {
                glClearNamedFramebufferfv(target, GL_COLOR, 0, black);
                glClearNamedFramebufferfv(target, GL_DEPTH, 0, &one);
            }
            glUseProgram(m_Programs[pass]);
            glBindTextureUnit(0, m_Tex[pass]);
            glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
        }
        glstate::Bind(glstate::kDefaultDepthStencil, 1);
    }

private:
    int m_W, m_H;
    GLuint m_Depth = 0, m_BackColour = 0, m_Back = 0, m_Tex[3] = {}, m_Fbo[3] = {}, m_Programs[3] = {};
    GLuint m_Vbo = 0, m_Ibo = 0, m_Ubo = 0, m_Vao = 0;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    const int perRound = 20;
    const int width = 1920, height = 1080;
    const auto dir = bench::WriteProduction();
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::string error;
    auto context = CEglContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<double> player, minimal;
    {
        auto demo = std::make_unique<CSDLDemoSystem>(context.get(), true);
        if (!demo->Init("DemoScript.txt", width, height)) {
            std::fprintf(stderr, "the player did not start\n");
            return 1;
        }
        MinimalFrame reference(width, height);
        const float dt = 1.0f / 60.0f;
        // Warm-up: the first frame runs the script (material loads); both paths once more.
        RunFrame(*demo, dt);
        reference.Draw(0.0f);
        RunFrame(*demo, dt);
        glFinish();
        // Alternating rounds, so both see the same machine load.
        for (int r = 0; r < rounds; ++r) {
            for (int i = 0; i < perRound; ++i) {
                const auto start = Clock::now();
                RunFrame(*demo, dt);
                glFinish();
                player.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
            for (int i = 0; i < perRound; ++i) {
                const auto start = Clock::now();
                reference.Draw(static_cast<float>(i) * dt);
                glFinish();
                minimal.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        }
    }
    context.reset();
    std::filesystem::current_path(cwd);
    std::filesystem::remove_all(dir);
    const double p = Median(player), m = Median(minimal);
    std::printf("1920x1080, scene target + 2 effects + fade, %zu frames each (median)\n", player.size());
    std::printf("player:  %.2f ms/frame\nminimal: %.2f ms/frame\nratio:   %.3f (target <= 1.15)\n", p, m, p / m);
    return 0;
}
