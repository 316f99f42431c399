// GL textures and render targets.
#include "render/gl/GLTextureResource.h"

#include "app/Diagnostics.h"
#include "assets/ImageDecoder.h"
#include "assets/Utf8Util.h"
#include "render/gl/GLFormat.h"
#include "render/gl/GLRenderer.h"

#include <algorithm>

namespace {

void SetSampler(GLuint texture)
{
    glTextureParameteri(texture, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

// The device's size limit, as Direct3D takes it from the feature level: 16384
// at most, less where the driver offers less.
uint32_t MaxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? std::min(kMaxImageSize, static_cast<uint32_t>(size)) : kMaxImageSize;
}

} // namespace

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
    const std::string what = "texture '" + GetName() + "' (" + path + ")";
    if (m_Texture)
        return false;
    m_SourcePath = path;
    try {
        (void)utf8util::utf16_from_utf8(path);
    } catch (const utf8util::utf8_conversion_error&) {
        diag::Report(what + ": the path is not valid UTF-8");
        return false;
    }
    DecodedImage image;
    std::string error;
    if (!DecodeImageFile(path, image, error, MaxTextureSize())) {
        diag::Report(what + ": " + error);
        return false;
    }
    const GLFormat* format = FindGLFormat(image.format);
    const DxgiFormatInfo* layout = FindDxgiFormat(image.format);
    if (!format || !format->internalFormat || format->compressed || !layout || layout->blockWidth != 1) {
        diag::Report(what + ": its pixel format " + DescribeDxgiFormat(image.format) + " has no OpenGL form");
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.rowPitch != layout->RowBytes(image.width)) {
        diag::Report(what + ": the decoded image has no pixels to upload");
        return false;
    }

    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, format->internalFormat, static_cast<GLsizei>(image.width),
                       static_cast<GLsizei>(image.height));
    // Rows are tightly packed; row 0 of the image goes to row 0 of the texture,
    // which is the top row on this back end, as on Direct3D.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTextureSubImage2D(texture, 0, 0, 0, static_cast<GLsizei>(image.width), static_cast<GLsizei>(image.height),
                        format->format, format->type, image.pixels.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTextureParameteriv(texture, GL_TEXTURE_SWIZZLE_RGBA, format->swizzle);
    SetSampler(texture);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        diag::Report(what + ": the driver refused a " + std::to_string(image.width) + "x" +
                     std::to_string(image.height) + " texture of this format");
        return false;
    }
    m_Texture = texture;
    m_Format = image.format;
    m_nWidth = static_cast<int>(image.width);
    m_nHeight = static_cast<int>(image.height);
    return true;
}

bool CGLTextureResource::CreateRenderTarget(int width, int height)
{
    if (m_Texture || width <= 0 || height <= 0)
        return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &m_Texture);
    glTextureStorage2D(m_Texture, 1, GL_RGBA32F, width, height);
    SetSampler(m_Texture);
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

bool CGLTextureResource::Reload()
{
    if (m_SourcePath.empty() || m_Framebuffer)
        return false;
    CGLTextureResource fresh(GetName(), m_Renderer);
    if (!fresh.Load(m_SourcePath))
        return false;
    // Materials hold this object: it takes the new texture, the old one goes with fresh.
    std::swap(m_Texture, fresh.m_Texture);
    std::swap(m_Format, fresh.m_Format);
    std::swap(m_nWidth, fresh.m_nWidth);
    std::swap(m_nHeight, fresh.m_nHeight);
    return true;
}
