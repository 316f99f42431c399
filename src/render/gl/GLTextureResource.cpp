// GL textures and render targets.
#include "render/gl/GLTextureResource.h"

#include "app/Diagnostics.h"
#include "render/gl/GLRenderer.h"

CGLTextureResource::CGLTextureResource(std::string name, CGLRenderer& renderer)
    : CTextureResource(std::move(name)), m_Renderer(renderer)
{
}

CGLTextureResource::~CGLTextureResource()
{
    if (m_Framebuffer)
        glDeleteFramebuffers(1, &m_Framebuffer);
    if (m_Texture)
        glDeleteTextures(1, &m_Texture);
}

bool CGLTextureResource::Load(const std::string& path)
{
    diag::Report("texture '" + GetName() + "' (" + path + "): image files are not supported yet");
    return false;
}

bool CGLTextureResource::CreateRenderTarget(int width, int height)
{
    if (m_Texture || width <= 0 || height <= 0)
        return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &m_Texture);
    glTextureStorage2D(m_Texture, 1, GL_RGBA32F, width, height);
    glTextureParameteri(m_Texture, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(m_Texture, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(m_Texture, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(m_Texture, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTextureParameteri(m_Texture, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    if (glGetError() != GL_NO_ERROR) {
        diag::Report("render target '" + GetName() + "' (" + std::to_string(width) + "x" + std::to_string(height) +
                     ") could not be made");
        return false;
    }
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, m_Texture, 0);
    glNamedFramebufferRenderbuffer(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   m_Renderer.GetDepthStencilBuffer());
    if (glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        // Never bound: a target that cannot be drawn into is neither bound nor cleared.
        glDeleteFramebuffers(1, &framebuffer);
        diag::Report("render target '" + GetName() + "' is not complete on this driver");
        return false;
    }
    m_Framebuffer = framebuffer;
    return true;
}
