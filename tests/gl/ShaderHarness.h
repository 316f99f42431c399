// Draws HLSL through real materials on the GL back end: a headless demo system with
// its own scratch production, materials made from shader text, a full-screen quad
// drawn with each, and the picture read back. Extra textures of every dimension wait
// at t1 to t4 for shaders that sample them; t0 is a 2x2 2D texture.
#pragma once
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include "app/platform/EglContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "render/gl/GLMaterialResource.h"
#include "render/gl/GLModelResource.h"
#include "scene/ParameterTable.h"

#include <memory>

// The pass vertex shader every pixel shader is drawn with, and the pixel shader every
// vertex shader is drawn with (it shows the COLOR0 the vertex shader wrote).
inline constexpr const char* kHarnessPartners = R"(
struct VSIn { float3 pos : POSITION; float4 col : COLOR; float2 uv : TEXCOORD; };
struct VSOut { float4 pos : SV_Position; float4 col : COLOR0; float2 uv : TEXCOORD0; };
VSOut PassVS(VSIn i) { VSOut o; o.pos = float4(i.pos, 1.0); o.col = i.col; o.uv = i.uv; return o; }
float4 ColourPS(float4 pos : SV_Position, float4 col : COLOR0) : SV_Target { return col; }
Texture2D Frame : register(t0);
SamplerState Linear : register(s0);
float4 FadePS(VSOut i) : SV_Target { return Frame.Sample(Linear, i.uv); }
)";

class ShaderHarness {
public:
    ShaderHarness(int width = 8, int height = 8)
    {
        m_Dir.Write("Data/Shaders/Partners.hlsl", kHarnessPartners);
        m_Dir.Write("Data/Mats/FaderMaterial.txt", "loadvertexshader Data\\Shaders\\Partners.hlsl PassVS\n"
                                                   "loadpixelshader Data\\Shaders\\Partners.hlsl FadePS\n"
                                                   "textureslot rendertarget Frame\n");
        m_Dir.Write("DemoScript.txt", "");
        m_Cwd = std::filesystem::current_path();
        std::filesystem::current_path(m_Dir.Path());
        std::string error;
        m_pContext = CEglContext::Create(error);
        if (!m_pContext)
            return;
        m_pDemo = std::make_unique<CSDLDemoSystem>(m_pContext.get(), true);
        if (!m_pDemo->Init("DemoScript.txt", width, height))
            return;
        m_pRenderer = static_cast<CGLRenderer*>(m_pDemo->m_pRenderer.get());
        m_pQuad = static_cast<CGLModelResource*>(m_pRenderer->CreateQuad("harnessquad"));
        MakeTextures();
    }
    ~ShaderHarness()
    {
        glDeleteTextures(static_cast<GLsizei>(std::size(m_Textures)), m_Textures);
        m_pDemo.reset();
        m_pContext.reset();
        std::filesystem::current_path(m_Cwd);
    }

    bool Ready() const { return m_pQuad != nullptr; }
    const TempDir& Dir() const { return m_Dir; }
    CGLRenderer& Renderer() { return *m_pRenderer; }

    // A value for constants of this name (any case) and exactly this size.
    void Publish(const std::string& name, const void* data, uint32_t size)
    {
        m_pDemo->m_Parameters->RegisterParameter(data, size, name);
    }

    // A material of this shader text: the stage given draws with the harness's partner,
    // or with its own partner entry in the same text.
    CGLMaterialResource* Material(const std::string& name, const std::string& hlsl, const std::string& vsEntry,
                                  const std::string& psEntry)
    {
        m_Dir.Write("Data/Shaders/" + name + ".hlsl", hlsl);
        auto line = [&](const char* keyword, const std::string& entry, const char* partner) {
            const bool own = !entry.empty() && entry[0] != '-';
            if (entry == "-")
                return std::string();
            return std::string(keyword) + " Data\\Shaders\\" + (own ? name : std::string("Partners")) + ".hlsl " +
                   (own ? entry : std::string(partner)) + "\n";
        };
        m_Dir.Write("Data/Mats/" + name + ".txt",
                    line("loadvertexshader", vsEntry, "PassVS") + line("loadpixelshader", psEntry, "ColourPS"));
        return static_cast<CGLMaterialResource*>(
            m_pRenderer->CreateMaterial(name, "Data\\Mats\\" + name + ".txt"));
    }

    void Clear() { m_pRenderer->Clear(0, 0, 0); }
    void Draw(CGLMaterialResource* material)
    {
        m_pRenderer->SetBackBufferTarget();
        material->Update(0);
        material->Apply();
        for (GLuint unit = 0; unit < std::size(m_Textures); ++unit)
            if (m_bBindTextures)
                m_pRenderer->BindTexture(unit, m_Textures[unit]);
        m_pQuad->Draw();
    }
    // Leaves every register empty from now on (the renderer's own default binding).
    void UnbindTextures()
    {
        m_bBindTextures = false;
        for (GLuint unit = 0; unit < 8; ++unit)
            m_pRenderer->BindTexture(unit, 0);
    }
    Image Picture()
    {
        Image image;
        image.width = m_pRenderer->Width();
        image.height = m_pRenderer->Height();
        m_pRenderer->ReadBackBuffer(image.rgb);
        return image;
    }
    // Clear, draw and read back the centre pixel.
    std::array<int, 3> CentreOf(CGLMaterialResource* material)
    {
        Clear();
        Draw(material);
        const Image image = Picture();
        return image.At(image.width / 2, image.height / 2);
    }

private:
    // t0: 2x2 2D, texels red, green / blue, white (top row first); t1: 2D array of two
    // layers, (0.25, 0.5, 0.75, 1) then (1, 0.5, 0, 1); t2: cube, face k = (k/5, 1 - k/5, 0.5, 1);
    // t3: 3D 1x1x2, (0, 1, 1, 1) then (1, 1, 0, 1); t4: 2x1 depth 0.25 / 0.75, compared LEQUAL.
    void MakeTextures()
    {
        glCreateTextures(GL_TEXTURE_2D, 1, &m_Textures[0]);
        const uint8_t quad[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
        glTextureStorage2D(m_Textures[0], 1, GL_RGBA8, 2, 2);
        glTextureSubImage2D(m_Textures[0], 0, 0, 0, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, quad);
        glCreateTextures(GL_TEXTURE_2D_ARRAY, 1, &m_Textures[1]);
        const float layers[8] = {0.25f, 0.5f, 0.75f, 1, 1, 0.5f, 0, 1};
        glTextureStorage3D(m_Textures[1], 1, GL_RGBA32F, 1, 1, 2);
        glTextureSubImage3D(m_Textures[1], 0, 0, 0, 0, 1, 1, 2, GL_RGBA, GL_FLOAT, layers);
        glCreateTextures(GL_TEXTURE_CUBE_MAP, 1, &m_Textures[2]);
        float faces[24];
        for (int k = 0; k < 6; ++k) {
            faces[k * 4] = static_cast<float>(k) / 5;
            faces[k * 4 + 1] = 1 - static_cast<float>(k) / 5;
            faces[k * 4 + 2] = 0.5f;
            faces[k * 4 + 3] = 1;
        }
        glTextureStorage2D(m_Textures[2], 1, GL_RGBA32F, 1, 1);
        glTextureSubImage3D(m_Textures[2], 0, 0, 0, 0, 1, 1, 6, GL_RGBA, GL_FLOAT, faces);
        glCreateTextures(GL_TEXTURE_3D, 1, &m_Textures[3]);
        const float slices[8] = {0, 1, 1, 1, 1, 1, 0, 1};
        glTextureStorage3D(m_Textures[3], 1, GL_RGBA32F, 1, 1, 2);
        glTextureSubImage3D(m_Textures[3], 0, 0, 0, 0, 1, 1, 2, GL_RGBA, GL_FLOAT, slices);
        glCreateTextures(GL_TEXTURE_2D, 1, &m_Textures[4]);
        const float depths[2] = {0.25f, 0.75f};
        glTextureStorage2D(m_Textures[4], 1, GL_DEPTH_COMPONENT32F, 2, 1);
        glTextureSubImage2D(m_Textures[4], 0, 0, 0, 2, 1, GL_DEPTH_COMPONENT, GL_FLOAT, depths);
        glTextureParameteri(m_Textures[4], GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glTextureParameteri(m_Textures[4], GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
        for (GLuint t : m_Textures) {
            glTextureParameteri(t, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTextureParameteri(t, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
    }

    TempDir m_Dir;
    std::filesystem::path m_Cwd;
    std::unique_ptr<CEglContext> m_pContext;
    std::unique_ptr<CSDLDemoSystem> m_pDemo;
    CGLRenderer* m_pRenderer = nullptr;
    CGLModelResource* m_pQuad = nullptr;
    GLuint m_Textures[5] = {};
    bool m_bBindTextures = true;
};
