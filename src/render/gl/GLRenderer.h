// CGLRenderer: the renderer on OpenGL 4.5 core, reproducing the Direct3D 11
// conventions productions are written for: clip space with y up and depth 0..1
// (glClipControl), clockwise front faces, row 0 of every target at the top.
// It owns the off-screen back buffer (RGBA8 plus the one shared depth/stencil
// buffer), the fixed states, the shared input layout and the matrices; frames
// are blitted to the window or read back. It does not create the GL context.
#pragma once
#include "render/Renderer.h"
#include "render/RendererMatrices.h"

#include <cstdint>
#include <epoxy/gl.h>
#include <functional>
#include <utility>
#include <memory>
#include <unordered_map>
#include <vector>

class CGLSpriteContext;
class CGLSpriteDevice;
class CGLSurface;
namespace DirectX {
class ISpriteContext;
}

class CGLRenderer : public CRenderer {
public:
    explicit CGLRenderer(CGLSurface* surface);
    ~CGLRenderer() override;

    bool Init() override;
    bool Shutdown() override;
    void Clear(float r, float g, float b) override;
    void Present() override;
    CTextureResource* CreateTexture(std::string name, std::string path) override;
    CMaterialResource* CreateMaterial(std::string name, std::string path) override;
    CFontResource* CreateFont(std::string name, std::string path) override;
    CModelResource* CreateQuad(std::string name) override;
    CModelResource* CreateModel(std::string name, std::string path) override;
    CTransform* CreateTransform() override;
    CPostProcessResource* CreatePostProcess(std::string name) override;
    CTextRendererProperty* CreateTextRenderer(CFontResource* font, std::string name, std::string text) override;
    void BeginScene() override;
    void EndScene() override;
    void BindStageTarget(CPostProcessResource& target, CPostProcessResource& pass) override;
    void SetBackBufferTarget() override;
    void PushTransform(CTransform* transform) override { m_Matrices.Push(transform); }
    void PopTransform() override { m_Matrices.Pop(); }

    // --- for the GL resource classes ---
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    GLuint GetDepthStencilBuffer() const { return m_DepthStencil; }
    const CRendererMatrices& GetMatrices() const { return m_Matrices; }

    // Makes a framebuffer the output. Any texture unit holding its colour texture
    // is emptied, as Direct3D unbinds a resource bound for output.
    void BindRenderTarget(GLuint framebuffer, GLuint colourTexture);
    // Binds a texture for sampling. The texture of the bound target is never
    // sampled (a feedback loop on GL): it reads as transparent black instead.
    void BindTexture(uint32_t unit, GLuint texture);
    void UseProgram(GLuint program);
    GLuint GetCurrentProgram() const { return m_CurrentProgram; }
    // The shared ModelVertex layout.
    void BindInputLayout();
    // Draws indexed triangles from these buffers with the bound program, if any.
    void DrawIndexed(GLuint vertexBuffer, GLuint indexBuffer, GLsizei indexCount);
    // Every draw says so first: the target history learns which targets the
    // bound program samples. False when no pixel may be drawn (a skipped frame).
    bool NoteDraw();
    // Drawn over the picture in the window before each swap (the author's overlay).
    void SetOverlay(std::function<void(int width, int height)> overlay) { m_Overlay = std::move(overlay); }
    // A program is being deleted; its name may come back for another.
    void ForgetProgram(GLuint program) { m_SampledUnits.erase(program); }
    // A full-screen pass: as DrawIndexed, without depth test or depth writes.
    // overwrites: the pass writes every pixel with alpha 1 (it then draws
    // without blending, which gives the same values over a cleared target and
    // needs no clear before it).
    void DrawPass(GLuint vertexBuffer, GLuint indexBuffer, GLsizei indexCount, bool overwrites);
    // Clears the colour of a target to opaque black and/or the shared depth buffer to 1.
    void ClearTarget(GLuint framebuffer, bool colour, bool depth);
    // Whether passes skip the clears, blending and stencil test that cannot change
    // a pixel (the default). Off, every pass clears its target and blends into it;
    // frames are the same either way, which tests check.
    static void SetPassShortcuts(bool enabled);
    static bool PassShortcuts();
    // Blend, depth-stencil and rasterizer states exactly as Init binds them.
    void BindDefaultStates();

    // The back buffer as RGB8, top row first (width * height * 3 bytes).
    void ReadBackBuffer(std::vector<uint8_t>& rgb) const;
    // The back buffer's framebuffer, for readers of finished frames (video output).
    GLuint GetBackBuffer() const { return m_BackBuffer; }

    // The sprite path's context (and through it the device) for fonts. Batches
    // find their shared objects by these objects' addresses, so both live as
    // long as the renderer.
    DirectX::ISpriteContext* GetSpriteContext();

private:
    CGLSurface* m_pSurface;
    int m_nWidth = 0;
    int m_nHeight = 0;
    GLuint m_BackBuffer = 0;     // framebuffer
    GLuint m_BackColour = 0;     // RGBA8 renderbuffer
    GLuint m_DepthStencil = 0;   // DEPTH24_STENCIL8 renderbuffer, attached to every target
    GLuint m_VertexArray = 0;
    GLuint m_BlackTexture = 0;   // 1x1 (0, 0, 0, 0)
    GLuint m_CurrentProgram = 0;
    GLuint m_TargetTexture = 0;  // colour texture of the bound framebuffer, 0 for the back buffer
    GLuint m_Target = 0;         // the bound draw framebuffer
    // The depth buffer was cleared and nothing has drawn since: a second clear would change nothing.
    bool m_bDepthClean = false;
    std::vector<GLuint> m_UnitTextures;
    // Texture units each program samples, asked of GL once per program.
    std::unordered_map<GLuint, std::vector<GLuint>> m_SampledUnits;
    std::function<void(int, int)> m_Overlay;
    CRendererMatrices m_Matrices;
    std::unique_ptr<CGLSpriteDevice> m_pSpriteDevice;
    std::unique_ptr<CGLSpriteContext> m_pSpriteContext;
};
