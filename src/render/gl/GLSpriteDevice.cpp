// Sprite sheets and the shared sprite pipeline objects on GL.
#include "render/gl/GLSpriteDevice.h"

#include "app/Diagnostics.h"
#include "assets/sprite/ComException.h"
#include "render/gl/GLFormat.h"
#include "render/gl/GLVertexLayout.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <string>
#include <vector>

using namespace DirectX;

namespace {

// The shaders read ModelVertex at the locations of the shared layout table.
static_assert(kModelVertexLayout[0].location == 0 && kModelVertexLayout[1].location == 1 &&
                  kModelVertexLayout[2].location == 2,
              "the sprite shaders' input locations follow the vertex layout table");

// Pixels to clip space by the batch's transform (row-vector matrix, uploaded
// as written: GLSL then holds its transpose, so transform * p is p * M).
constexpr const char* kVertexShader = R"(#version 450 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texcoord;
layout(location = 0) uniform mat4 transform;
layout(location = 0) out vec4 vColour;
layout(location = 1) out vec2 vTexcoord;
void main()
{
    gl_Position = transform * vec4(position, 1.0);
    vColour = colour;
    vTexcoord = texcoord;
}
)";

// The texel of unit 0 times the sprite's colour.
constexpr const char* kPixelShader = R"(#version 450 core
layout(binding = 0) uniform sampler2D sheet;
layout(location = 0) in vec4 vColour;
layout(location = 1) in vec2 vTexcoord;
layout(location = 0) out vec4 target;
void main()
{
    target = texture(sheet, vTexcoord) * vColour;
}
)";

void DrainErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

GLuint CompileStage(GLenum type, const char* source, std::string& log)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, length, nullptr, text.data());
    log += text.c_str();
    glDeleteShader(shader);
    return 0;
}

GLuint LinkSpriteProgram()
{
    std::string log;
    const GLuint vertex = CompileStage(GL_VERTEX_SHADER, kVertexShader, log);
    const GLuint pixel = CompileStage(GL_FRAGMENT_SHADER, kPixelShader, log);
    GLuint program = 0;
    if (vertex && pixel) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, pixel);
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            GLint length = 0;
            glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
            std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
            glGetProgramInfoLog(program, length, nullptr, text.data());
            log += text.c_str();
            glDeleteProgram(program);
            program = 0;
        }
    }
    if (vertex)
        glDeleteShader(vertex);
    if (pixel)
        glDeleteShader(pixel);
    if (!program)
        diag::Report("the sprite shaders do not build on this driver: " + log);
    return program;
}

// Restores the unpack state it changed, so other uploads keep their own.
class ScopedTightUnpack {
public:
    ScopedTightUnpack()
    {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_Alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &m_RowLength);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    ~ScopedTightUnpack()
    {
        glPixelStorei(GL_UNPACK_ALIGNMENT, m_Alignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, m_RowLength);
    }
    ScopedTightUnpack(const ScopedTightUnpack&) = delete;
    ScopedTightUnpack& operator=(const ScopedTightUnpack&) = delete;

private:
    GLint m_Alignment = 4;
    GLint m_RowLength = 0;
};

void SetLinearClamp(GLuint texture)
{
    glTextureParameteri(texture, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

} // namespace

CGLSpriteTexture::~CGLSpriteTexture()
{
    glDeleteTextures(1, &m_Texture);
}

CGLSpriteObjects::~CGLSpriteObjects()
{
    if (sampler)
        glDeleteSamplers(1, &sampler);
    if (vertexArray)
        glDeleteVertexArrays(1, &vertexArray);
    if (indexBuffer)
        glDeleteBuffers(1, &indexBuffer);
    if (program)
        glDeleteProgram(program);
}

std::shared_ptr<ISpriteTexture> CGLSpriteDevice::CreateTexture(DxgiFormat format, uint32_t width, uint32_t height,
                                                               uint32_t rowPitch, std::span<const uint8_t> data)
{
    const GLFormat* f = FindGLFormat(format);
    const DxgiFormatInfo* layout = FindDxgiFormat(format);
    if (!f || f->internalFormat == 0 || !layout || layout->bytesPerBlock == 0) {
        diag::Report("sheet format " + DescribeDxgiFormat(format) + " has no OpenGL form");
        throw com_exception(kResultInvalidArg);
    }
    if (width == 0 || height == 0)
        throw com_exception(kResultInvalidArg);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > static_cast<uint32_t>(maxSize) || height > static_cast<uint32_t>(maxSize))
        throw com_exception(kResultInvalidArg);
    for (const char* extension : f->extensions)
        if (extension && !epoxy_has_gl_extension(extension)) {
            diag::Report("sheet format " + DescribeDxgiFormat(format) + " needs " + extension +
                         ", which this driver lacks");
            throw com_exception(kResultInvalidArg);
        }

    // GL reads tightly packed rows (of texels, or of 4x4 blocks); the file's pitch may be wider.
    const size_t tightPitch = size_t(layout->RowBytes(width));
    const size_t rows = size_t(layout->BlockRows(height));
    if (rowPitch < tightPitch || data.size() < (rows - 1) * size_t(rowPitch) + tightPitch)
        throw com_exception(kResultInvalidArg);
    std::vector<uint8_t> packed;
    const uint8_t* pixels = data.data();
    if (rowPitch != tightPitch) {
        packed.resize(rows * tightPitch);
        for (size_t row = 0; row < rows; ++row)
            std::memcpy(packed.data() + row * tightPitch, data.data() + row * rowPitch, tightPitch);
        pixels = packed.data();
    }

    DrainErrors();
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, f->internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    {
        ScopedTightUnpack unpack;
        if (f->compressed)
            glCompressedTextureSubImage2D(texture, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                                          f->internalFormat, static_cast<GLsizei>(rows * tightPitch), pixels);
        else
            glTextureSubImage2D(texture, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), f->format,
                                f->type, pixels);
    }
    glTextureParameteriv(texture, GL_TEXTURE_SWIZZLE_RGBA, f->swizzle);
    SetLinearClamp(texture);
    if (!texture || glGetError() != GL_NO_ERROR) {
        if (texture)
            glDeleteTextures(1, &texture);
        throw com_exception(kResultFail);
    }
    return std::make_shared<CGLSpriteTexture>(texture, width, height);
}

std::unique_ptr<ISpriteDeviceObjects> CGLSpriteDevice::CreateSpriteObjects(std::span<const uint16_t> indices)
{
    DrainErrors();
    auto objects = std::make_unique<CGLSpriteObjects>();
    objects->program = LinkSpriteProgram();
    if (!objects->program)
        return nullptr;

    glCreateBuffers(1, &objects->indexBuffer);
    glNamedBufferStorage(objects->indexBuffer, static_cast<GLsizeiptr>(indices.size_bytes()), indices.data(), 0);

    glCreateVertexArrays(1, &objects->vertexArray);
    for (const GLVertexElement& e : kModelVertexLayout) {
        glEnableVertexArrayAttrib(objects->vertexArray, e.location);
        glVertexArrayAttribFormat(objects->vertexArray, e.location, e.components, GL_FLOAT, GL_FALSE, e.offset);
        glVertexArrayAttribBinding(objects->vertexArray, e.location, 0);
    }
    glVertexArrayElementBuffer(objects->vertexArray, objects->indexBuffer);

    glCreateSamplers(1, &objects->sampler);
    glSamplerParameteri(objects->sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(objects->sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(objects->sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(objects->sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(objects->sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glSamplerParameterf(objects->sampler, GL_TEXTURE_MAX_LOD, FLT_MAX);

    if (glGetError() != GL_NO_ERROR) {
        diag::Report("the sprite pipeline objects could not be made");
        return nullptr;
    }
    return objects;
}
