// OpenGL renderer: device objects, fixed states, targets, frame presentation and
// the factories of the GL resource classes.
#include "render/gl/GLRenderer.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "render/FontResource.h"
#include "render/ModelResource.h"
#include "render/TargetHistory.h"
#include "render/gl/GLFontResource.h"
#include "render/gl/GLMaterialResource.h"
#include "render/gl/GLModelResource.h"
#include "render/gl/GLPostProcessResource.h"
#include "render/gl/GLSpriteContext.h"
#include "render/gl/GLSpriteDevice.h"
#include "render/gl/GLStates.h"
#include "render/gl/GLSurface.h"
#include "render/gl/GLTextRendererProperty.h"
#include "render/gl/GLTextureResource.h"
#include "render/gl/GLVertexLayout.h"
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"
#include "scene/Transform.h"

#include <algorithm>
#include <iterator>

namespace {
// Uniform types that name a texture unit.
constexpr GLenum kSamplerTypes[] = {
    GL_SAMPLER_1D, GL_SAMPLER_2D, GL_SAMPLER_3D, GL_SAMPLER_CUBE, GL_SAMPLER_1D_SHADOW, GL_SAMPLER_2D_SHADOW,
    GL_SAMPLER_1D_ARRAY, GL_SAMPLER_2D_ARRAY, GL_SAMPLER_1D_ARRAY_SHADOW, GL_SAMPLER_2D_ARRAY_SHADOW,
    GL_SAMPLER_2D_MULTISAMPLE, GL_SAMPLER_2D_MULTISAMPLE_ARRAY, GL_SAMPLER_CUBE_SHADOW, GL_SAMPLER_BUFFER,
    GL_SAMPLER_2D_RECT, GL_SAMPLER_2D_RECT_SHADOW, GL_SAMPLER_CUBE_MAP_ARRAY, GL_SAMPLER_CUBE_MAP_ARRAY_SHADOW,
    GL_INT_SAMPLER_1D, GL_INT_SAMPLER_2D, GL_INT_SAMPLER_3D, GL_INT_SAMPLER_CUBE, GL_INT_SAMPLER_1D_ARRAY,
    GL_INT_SAMPLER_2D_ARRAY, GL_INT_SAMPLER_2D_MULTISAMPLE, GL_INT_SAMPLER_2D_MULTISAMPLE_ARRAY,
    GL_INT_SAMPLER_BUFFER, GL_INT_SAMPLER_2D_RECT, GL_INT_SAMPLER_CUBE_MAP_ARRAY, GL_UNSIGNED_INT_SAMPLER_1D,
    GL_UNSIGNED_INT_SAMPLER_2D, GL_UNSIGNED_INT_SAMPLER_3D, GL_UNSIGNED_INT_SAMPLER_CUBE,
    GL_UNSIGNED_INT_SAMPLER_1D_ARRAY, GL_UNSIGNED_INT_SAMPLER_2D_ARRAY, GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE,
    GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE_ARRAY, GL_UNSIGNED_INT_SAMPLER_BUFFER,
    GL_UNSIGNED_INT_SAMPLER_2D_RECT, GL_UNSIGNED_INT_SAMPLER_CUBE_MAP_ARRAY,
};

bool IsSamplerType(GLint type)
{
    return std::find(std::begin(kSamplerTypes), std::end(kSamplerTypes), static_cast<GLenum>(type)) !=
           std::end(kSamplerTypes);
}

// The units a program's samplers read, from its active uniforms.
std::vector<GLuint> QuerySampledUnits(GLuint program)
{
    std::vector<GLuint> units;
    GLint count = 0;
    glGetProgramInterfaceiv(program, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    const GLenum props[] = {GL_TYPE, GL_LOCATION, GL_ARRAY_SIZE, GL_BLOCK_INDEX};
    for (GLint i = 0; i < count; ++i) {
        GLint v[4] = {0, -1, 0, -1};
        glGetProgramResourceiv(program, GL_UNIFORM, static_cast<GLuint>(i), 4, props, 4, nullptr, v);
        if (v[3] != -1 || v[1] < 0 || !IsSamplerType(v[0]))
            continue;
        for (GLint k = 0; k < v[2]; ++k) {
            GLint unit = -1;
            glGetUniformiv(program, v[1] + k, &unit);
            if (unit >= 0)
                units.push_back(static_cast<GLuint>(unit));
        }
    }
    return units;
}
} // namespace

namespace {
bool g_bPassShortcuts = true;
} // namespace

void CGLRenderer::SetPassShortcuts(bool enabled)
{
    g_bPassShortcuts = enabled;
}

bool CGLRenderer::PassShortcuts()
{
    return g_bPassShortcuts;
}

CGLRenderer::CGLRenderer(CGLSurface* surface)
    : m_pSurface(surface), m_pSpriteDevice(std::make_unique<CGLSpriteDevice>()),
      m_pSpriteContext(std::make_unique<CGLSpriteContext>(*this, *m_pSpriteDevice))
{
}

CGLRenderer::~CGLRenderer()
{
    Shutdown();
}

bool CGLRenderer::Init()
{
    if (!g_pDemoSystem || !g_pDemoSystem->m_Parameters)
        return false;
    m_nWidth = g_pDemoSystem->m_nWidth;
    m_nHeight = g_pDemoSystem->m_nHeight;
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return false;
    const int version = epoxy_gl_version();
    if (version < 45 || !epoxy_is_desktop_gl()) {
        diag::Report("OpenGL 4.5 core is needed; the context offers " + std::to_string(version / 10) + "." +
                     std::to_string(version % 10));
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }

    // Direct3D's clip space: y up to row 0 of the target, depth 0 to 1.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);

    glCreateRenderbuffers(1, &m_BackColour);
    glNamedRenderbufferStorage(m_BackColour, GL_RGBA8, m_nWidth, m_nHeight);
    glCreateRenderbuffers(1, &m_DepthStencil);
    glNamedRenderbufferStorage(m_DepthStencil, GL_DEPTH24_STENCIL8, m_nWidth, m_nHeight);
    glCreateFramebuffers(1, &m_BackBuffer);
    glNamedFramebufferRenderbuffer(m_BackBuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_BackColour);
    glNamedFramebufferRenderbuffer(m_BackBuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_DepthStencil);
    if (glCheckNamedFramebufferStatus(m_BackBuffer, GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE ||
        glGetError() != GL_NO_ERROR) {
        diag::Report("the back buffer (" + std::to_string(m_nWidth) + "x" + std::to_string(m_nHeight) +
                     ") could not be made");
        Shutdown();
        return false;
    }

    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    m_UnitTextures.assign(static_cast<size_t>(std::max(units, 16)), 0);
    BindRenderTarget(m_BackBuffer, 0);
    // Every target is output-sized, so the viewport never changes.
    glViewport(0, 0, m_nWidth, m_nHeight);
    glDepthRangef(0.0f, 1.0f);

    m_Matrices.Register(*g_pDemoSystem->m_Parameters);
    m_Matrices.SetInitial(m_nWidth, m_nHeight);

    glCreateVertexArrays(1, &m_VertexArray);
    for (const GLVertexElement& e : kModelVertexLayout) {
        glEnableVertexArrayAttrib(m_VertexArray, e.location);
        glVertexArrayAttribFormat(m_VertexArray, e.location, e.components, GL_FLOAT, GL_FALSE, e.offset);
        glVertexArrayAttribBinding(m_VertexArray, e.location, 0);
    }
    glBindVertexArray(m_VertexArray);

    const uint8_t black[4] = {0, 0, 0, 0};
    glCreateTextures(GL_TEXTURE_2D, 1, &m_BlackTexture);
    glTextureStorage2D(m_BlackTexture, 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(m_BlackTexture, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, black);

    BindDefaultStates();
    return CRenderer::Init();
}

bool CGLRenderer::Shutdown()
{
    // Each name is zeroed, so a second call releases nothing.
    if (m_BackBuffer)
        glDeleteFramebuffers(1, &m_BackBuffer);
    if (m_BackColour)
        glDeleteRenderbuffers(1, &m_BackColour);
    if (m_DepthStencil)
        glDeleteRenderbuffers(1, &m_DepthStencil);
    if (m_VertexArray)
        glDeleteVertexArrays(1, &m_VertexArray);
    if (m_BlackTexture)
        glDeleteTextures(1, &m_BlackTexture);
    m_BackBuffer = m_BackColour = m_DepthStencil = m_VertexArray = m_BlackTexture = 0;
    m_CurrentProgram = 0;
    m_Target = 0;
    m_TargetTexture = 0;
    m_bDepthClean = false;
    std::fill(m_UnitTextures.begin(), m_UnitTextures.end(), 0u);
    return true;
}

void CGLRenderer::BindDefaultStates()
{
    glstate::Bind(glstate::kDefaultDepthStencil, glstate::kStencilReference);
    glstate::Bind(glstate::kDefaultRasterizer);
    glstate::Bind(glstate::kDefaultBlend);
}

void CGLRenderer::Clear(float r, float g, float b)
{
    // Clears obey the write masks on GL, unlike Direct3D; the default state has them all on.
    const GLfloat colour[4] = {r, g, b, 1.0f};
    const GLfloat depth = 1.0f;
    // Nothing draws into the back buffer before the fade pass unless it is bound
    // now (no scene target); a fade pass that overwrites every pixel leaves
    // nothing of this clear to see. The depth buffer was usually just cleared
    // with the scene target.
    const auto* fade = dynamic_cast<const CGLPostProcessResource*>(GetFadeEffect());
    const bool colourSeen = !g_bPassShortcuts || m_Target == m_BackBuffer || !fade || !fade->OverwritesTarget();
    const bool depthSeen = !g_bPassShortcuts || !m_bDepthClean;
    // A skipped frame draws nothing: what a later drawn frame finds is unknown.
    const bool draws = Rasterizes();
    if (m_BackBuffer && colourSeen && draws)
        glClearNamedFramebufferfv(m_BackBuffer, GL_COLOR, 0, colour);
    if (m_BackBuffer && depthSeen && draws)
        glClearNamedFramebufferfv(m_BackBuffer, GL_DEPTH, 0, &depth);
    m_bDepthClean = m_BackBuffer != 0 && draws;
    m_Matrices.ResetForClear(m_nWidth, m_nHeight);
}

void CGLRenderer::ClearTarget(GLuint framebuffer, bool colour, bool depth)
{
    if (!Rasterizes()) {
        m_bDepthClean = m_bDepthClean && !depth;
        return;
    }
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat one = 1.0f;
    if (colour)
        glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, black);
    if (depth) {
        glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &one);
        m_bDepthClean = true;
    }
}

void CGLRenderer::Present()
{
    if (GetDrawMode() != DrawMode::Full || !m_pSurface || !m_pSurface->HasWindow() || !m_BackBuffer)
        return;
    int w = 0, h = 0;
    m_pSurface->GetDrawableSize(w, h);
    if (w <= 0 || h <= 0)
        return;
    // Row 0 of the back buffer is the top of the picture; a window's row 0 is its bottom.
    const GLenum filter = (w == m_nWidth && h == m_nHeight) ? GL_NEAREST : GL_LINEAR;
    glBlitNamedFramebuffer(m_BackBuffer, 0, 0, 0, m_nWidth, m_nHeight, 0, h, w, 0, GL_COLOR_BUFFER_BIT, filter);
    if (m_Overlay)
        m_Overlay(w, h);
    m_pSurface->SwapBuffers();
}

void CGLRenderer::BeginScene()
{
    CRenderer::BeginScene();
    glstate::Bind(glstate::kDefaultBlend);
}

void CGLRenderer::BindStageTarget(CPostProcessResource& target, CPostProcessResource& pass)
{
    auto* glTarget = dynamic_cast<CGLPostProcessResource*>(&target);
    const auto* glPass = dynamic_cast<const CGLPostProcessResource*>(&pass);
    if (!g_bPassShortcuts || !glTarget || !glPass) {
        CRenderer::BindStageTarget(target, pass);
        return;
    }
    // Passes never test or write depth, and the next frame's scene target clears it.
    glTarget->BindForPass(!glPass->OverwritesTarget());
}

void CGLRenderer::EndScene()
{
    CRenderer::EndScene();
    m_Matrices.SetEndSceneProjection(m_nWidth, m_nHeight);
}

void CGLRenderer::SetBackBufferTarget()
{
    BindRenderTarget(m_BackBuffer, 0);
}

void CGLRenderer::BindRenderTarget(GLuint framebuffer, GLuint colourTexture)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    m_Target = framebuffer;
    m_TargetTexture = colourTexture;
    if (!colourTexture)
        return;
    if (CTargetHistory* history = GetTargetHistory())
        history->Wrote(colourTexture);
    for (size_t unit = 0; unit < m_UnitTextures.size(); ++unit) {
        if (m_UnitTextures[unit] == colourTexture) {
            glBindTextureUnit(static_cast<GLuint>(unit), m_BlackTexture);
            m_UnitTextures[unit] = m_BlackTexture;
        }
    }
}

void CGLRenderer::BindTexture(uint32_t unit, GLuint texture)
{
    if (unit >= m_UnitTextures.size()) {
        diag::Report("texture register t" + std::to_string(unit) + " is beyond the " +
                     std::to_string(m_UnitTextures.size()) + " units this driver offers");
        return;
    }
    if (texture && texture == m_TargetTexture)
        texture = m_BlackTexture;
    glBindTextureUnit(unit, texture);
    m_UnitTextures[unit] = texture;
}

void CGLRenderer::UseProgram(GLuint program)
{
    glUseProgram(program);
    m_CurrentProgram = program;
    m_bDepthClean = false; // a draw follows; it may write depth
}

void CGLRenderer::BindInputLayout()
{
    glBindVertexArray(m_VertexArray);
}

bool CGLRenderer::NoteDraw()
{
    if (CTargetHistory* history = GetTargetHistory(); history && m_CurrentProgram) {
        auto it = m_SampledUnits.find(m_CurrentProgram);
        if (it == m_SampledUnits.end())
            it = m_SampledUnits.emplace(m_CurrentProgram, QuerySampledUnits(m_CurrentProgram)).first;
        for (GLuint unit : it->second)
            if (unit < m_UnitTextures.size())
                history->Read(m_UnitTextures[unit]);
    }
    return Rasterizes();
}

void CGLRenderer::DrawIndexed(GLuint vertexBuffer, GLuint indexBuffer, GLsizei indexCount)
{
    // Without a complete program nothing can reach the target (a missing stage on Direct3D).
    if (!m_CurrentProgram || !m_VertexArray || !NoteDraw())
        return;
    m_bDepthClean = false;
    glBindVertexArray(m_VertexArray);
    glVertexArrayVertexBuffer(m_VertexArray, 0, vertexBuffer, 0, sizeof(ModelVertex));
    glVertexArrayElementBuffer(m_VertexArray, indexBuffer);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);
}

void CGLRenderer::DrawPass(GLuint vertexBuffer, GLuint indexBuffer, GLsizei indexCount, bool overwrites)
{
    GLDepthStencilState depthStencil = glstate::kPassDepthStencil;
    // As passes were drawn before the shortcuts: the stencil test on, though it cannot fire.
    depthStencil.stencilTest = !g_bPassShortcuts;
    const bool opaque = g_bPassShortcuts && overwrites;
    glstate::Bind(depthStencil, glstate::kStencilReference);
    if (opaque)
        glstate::Bind(glstate::kOpaqueBlend);
    const bool depthClean = m_bDepthClean;
    DrawIndexed(vertexBuffer, indexBuffer, indexCount);
    m_bDepthClean = depthClean; // passes leave depth alone
    glstate::Bind(glstate::kDefaultDepthStencil, glstate::kStencilReference);
    if (opaque)
        glstate::Bind(glstate::kDefaultBlend);
}

void CGLRenderer::ReadBackBuffer(std::vector<uint8_t>& rgb) const
{
    rgb.assign(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight) * 3, 0);
    if (!m_BackBuffer)
        return;
    glNamedFramebufferReadBuffer(m_BackBuffer, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_BackBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Row 0 in memory is the top of the picture, as PNG wants it.
    glReadnPixels(0, 0, m_nWidth, m_nHeight, GL_RGB, GL_UNSIGNED_BYTE, static_cast<GLsizei>(rgb.size()), rgb.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

// --- factories ---

CTextureResource* CGLRenderer::CreateTexture(std::string name, std::string path)
{
    auto* texture = new CGLTextureResource(name, *this);
    const bool loaded = texture->Load(path);
    return Registered(texture, loaded);
}

CMaterialResource* CGLRenderer::CreateMaterial(std::string name, std::string path)
{
    auto* material = new CGLMaterialResource(name, *this);
    const bool loaded = material->Load(path);
    return Registered(material, loaded);
}

DirectX::ISpriteContext* CGLRenderer::GetSpriteContext()
{
    return m_pSpriteContext.get();
}

CFontResource* CGLRenderer::CreateFont(std::string name, std::string path)
{
    auto* font = new CGLFontResource(name, *this);
    const bool loaded = font->Load(path);
    return Registered(font, loaded);
}

CModelResource* CGLRenderer::CreateQuad(std::string name)
{
    auto* model = new CGLModelResource(name, *this);
    const bool built = model->BuildQuad();
    return Registered(model, built);
}

CModelResource* CGLRenderer::CreateModel(std::string name, std::string path)
{
    auto* model = new CGLModelResource(name, *this);
    const bool loaded = model->Load(path);
    return Registered(model, loaded);
}

CTransform* CGLRenderer::CreateTransform()
{
    return new CMatrixTransform();
}

CPostProcessResource* CGLRenderer::CreatePostProcess(std::string name)
{
    auto* effect = new CGLPostProcessResource(name, *this);
    const bool created = effect->Create();
    return Registered(effect, created);
}

CTextRendererProperty* CGLRenderer::CreateTextRenderer(CFontResource* font, std::string name, std::string text)
{
    const bool isNew = g_pDemoSystem && g_pDemoSystem->m_Resources &&
                       !g_pDemoSystem->m_Resources->FindResource(name, RESOURCE_TEXTRENDERER);
    return Registered(new CGLTextRendererProperty(font, name, text, *this), isNew);
}
