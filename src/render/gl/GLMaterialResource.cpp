// GL materials: HLSL translation, program linking, constant upload and binding.
#include "render/gl/GLMaterialResource.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/FilePath.h"
#include "assets/Utf8Util.h"
#include "render/gl/GLRenderer.h"
#include "render/gl/GLTextureResource.h"
#include "scene/ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace {

std::string ShaderInfoLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log;
}

std::string ProgramInfoLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log;
}

void ReportLines(const std::string& text)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            diag::Detail("  " + line);
}

// The translator's "file:line: severity: message" lines, each shown at the shader's own
// file and line, where an editor can jump to; other lines stay under the material's.
// All are details of the one problem, the shader that does not compile.
void ReportShaderLog(const std::string& text, const std::string& path)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty())
            continue;
        if (line.rfind(path + ":", 0) == 0) {
            const size_t digits = path.size() + 1;
            size_t end = digits;
            while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end])))
                ++end;
            if (end > digits && line.compare(end, 2, ": ") == 0) {
                diag::DetailAt(path, std::atoi(line.c_str() + digits), line.substr(end + 2));
                continue;
            }
            if (line.compare(path.size(), 2, ": ") == 0) {
                diag::DetailAt(path, 0, line.substr(path.size() + 2));
                continue;
            }
        }
        diag::Detail("  " + line);
    }
}

} // namespace

CGLMaterialResource::CGLMaterialResource(std::string name, CGLRenderer& renderer)
    : CMaterialResource(std::move(name)), m_Renderer(renderer)
{
}

CGLMaterialResource::~CGLMaterialResource()
{
    for (const auto& entry : m_UserConstants)
        for (GLuint buffer : entry.second.buffers)
            if (buffer)
                glDeleteBuffers(1, &buffer);
    for (Stage* stage : {&m_Vertex, &m_Pixel}) {
        for (GLConstantBuffer& b : stage->buffers)
            if (b.buffer)
                glDeleteBuffers(1, &b.buffer);
        if (stage->shader)
            glDeleteShader(stage->shader);
    }
    // Materials outlive the renderer at shutdown: a reload forgets its old program itself.
    if (m_Program)
        glDeleteProgram(m_Program);
}

bool CGLMaterialResource::Load(const std::string& path)
{
    m_SourcePath = path;
    m_bFillConstants = ReadMaterialFile(path);
    MakeBuffers(m_Vertex);
    MakeBuffers(m_Pixel);
    if (m_bFillConstants) {
        // A buffer both stages declare is one set of constants to the author: said once.
        std::set<std::pair<std::string, uint32_t>> checked;
        for (const Stage* stage : {&m_Vertex, &m_Pixel})
            for (const GLConstantBuffer& b : stage->buffers)
                for (const ShaderVariable& v : b.variables)
                    if (checked.insert({v.name, v.size}).second)
                        CheckConstant(v.name, v.size);
    }
    return m_bFillConstants;
}

void CGLMaterialResource::LoadShader(MaterialStage stage, const std::string& file, const std::string& entry)
{
    const char* kind = stage == MaterialStage::Pixel ? "pixel" : "vertex";
    try {
        (void)utf8util::utf16_from_utf8(file);
    } catch (const utf8util::utf8_conversion_error&) {
        diag::Report(std::string(kind) + " shader path is not valid UTF-8; the line is ignored");
        return;
    }
    if (!FileExists(file)) {
        diag::Report(std::string("cannot open ") + kind + " shader '" + file + "'");
        return;
    }
    const std::string resolved = ResolvePath(file);
    if (std::find(m_ShaderFiles.begin(), m_ShaderFiles.end(), resolved) == m_ShaderFiles.end())
        m_ShaderFiles.push_back(resolved);
    CompiledShader compiled = CompileHlsl(resolved, entry,
                                          stage == MaterialStage::Pixel ? ShaderStage::Pixel : ShaderStage::Vertex);
    if (!compiled.ok) {
        diag::Report(std::string(kind) + " shader '" + file + "' (" + entry + ") does not compile:");
        ReportShaderLog(compiled.log, resolved);
        return;
    }
    const GLuint shader = glCreateShader(stage == MaterialStage::Pixel ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
    const char* source = compiled.glsl.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        diag::Report(std::string(kind) + " shader '" + file + "' (" + entry +
                     ") was translated but the GL driver rejects it:");
        ReportLines(ShaderInfoLog(shader));
        glDeleteShader(shader);
        return;
    }
    // A second line of the same kind replaces the first.
    Stage& target = stage == MaterialStage::Pixel ? m_Pixel : m_Vertex;
    if (target.shader)
        glDeleteShader(target.shader);
    target.shader = shader;
    target.reflected = true;
    target.constantBuffers = std::move(compiled.constantBuffers);
    target.textures = std::move(compiled.textures);
    target.facts = compiled.outputFacts;
    if (stage == MaterialStage::Vertex) {
        m_bInputLayout = compiled.inputLayoutOk;
        if (!m_bInputLayout)
            diag::Report("vertex shader '" + file + "' (" + entry +
                         ") reads an input other than POSITION, COLOR and TEXCOORD; the material draws nothing");
    }
    if (m_Vertex.shader && m_Pixel.shader)
        Link();
}

void CGLMaterialResource::Link()
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, m_Vertex.shader);
    glAttachShader(program, m_Pixel.shader);
    glLinkProgram(program);
    glDetachShader(program, m_Vertex.shader);
    glDetachShader(program, m_Pixel.shader);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (m_Program) {
        m_Renderer.ForgetProgram(m_Program);
        glDeleteProgram(m_Program);
    }
    m_Program = 0;
    if (status != GL_TRUE) {
        diag::Report("material '" + GetName() + "': its vertex and pixel shaders do not link:");
        ReportLines(ProgramInfoLog(program));
        glDeleteProgram(program);
        return;
    }
    m_Program = program;
}

bool CGLMaterialResource::FindPixelResource(const std::string& resourceName, uint32_t& bindPoint) const
{
    if (!m_Pixel.reflected)
        return false;
    for (const ReflectedTexture& t : m_Pixel.textures) {
        if (t.name == resourceName) {
            bindPoint = t.bindPoint;
            return true;
        }
    }
    return false;
}

void CGLMaterialResource::MakeBuffers(Stage& stage)
{
    if (!stage.reflected)
        return;
    stage.buffers.clear();
    for (const ReflectedConstantBuffer& record : stage.constantBuffers) {
        GLConstantBuffer b;
        b.name = record.name;
        b.size = record.size;
        b.binding = record.glBinding;
        b.variables = record.variables;
        std::vector<ConstantVariable> variables;
        for (const ShaderVariable& v : record.variables)
            variables.push_back({v.name, v.offset, v.size});
        b.filler = CConstantFiller(std::move(variables));
        b.shadow.assign(record.size, 0);
        if (record.size > 0) {
            glCreateBuffers(1, &b.buffer);
            glNamedBufferStorage(b.buffer, record.size, b.shadow.data(), GL_DYNAMIC_STORAGE_BIT);
        }
        stage.buffers.push_back(std::move(b));
    }
}

const std::vector<GLConstantBuffer>& CGLMaterialResource::GetConstantBuffers(MaterialStage stage) const
{
    return stage == MaterialStage::Pixel ? m_Pixel.buffers : m_Vertex.buffers;
}

void CGLMaterialResource::Update(float dt)
{
    CMaterialResource::Update(dt);
    m_pBoundConstants = nullptr;
    if (!m_bFillConstants)
        return;
    for (GLConstantBuffer& b : m_Vertex.buffers)
        Upload(b);
    for (GLConstantBuffer& b : m_Pixel.buffers)
        Upload(b);
}

void CGLMaterialResource::CaptureConstants(std::vector<uint8_t>& snapshot) const
{
    snapshot.clear();
    if (!m_bFillConstants)
        return;
    for (const Stage* stage : {&m_Vertex, &m_Pixel})
        for (const GLConstantBuffer& b : stage->buffers)
            snapshot.insert(snapshot.end(), b.shadow.begin(), b.shadow.end());
}

void CGLMaterialResource::UploadConstants(const std::vector<uint8_t>& snapshot, const void* user)
{
    size_t total = 0;
    for (const Stage* stage : {&m_Vertex, &m_Pixel})
        for (const GLConstantBuffer& b : stage->buffers)
            total += b.shadow.size();
    // A snapshot of other buffers (or none, from an unfilled material) changes nothing.
    if (!m_bFillConstants || snapshot.size() != total)
        return;
    UserConstants& copy = m_UserConstants[user];
    if (copy.buffers.empty()) {
        for (const Stage* stage : {&m_Vertex, &m_Pixel}) {
            for (const GLConstantBuffer& b : stage->buffers) {
                GLuint buffer = 0;
                if (b.size > 0) {
                    glCreateBuffers(1, &buffer);
                    glNamedBufferStorage(buffer, b.size, nullptr, GL_DYNAMIC_STORAGE_BIT);
                }
                copy.buffers.push_back(buffer);
            }
        }
    }
    if (copy.contents != snapshot) {
        size_t at = 0, k = 0;
        for (const Stage* stage : {&m_Vertex, &m_Pixel}) {
            for (const GLConstantBuffer& b : stage->buffers) {
                if (copy.buffers[k])
                    glNamedBufferSubData(copy.buffers[k], 0, b.size, snapshot.data() + at);
                at += b.shadow.size();
                ++k;
            }
        }
        copy.contents = snapshot;
    }
    m_pBoundConstants = &copy;
}

void CGLMaterialResource::Upload(GLConstantBuffer& b)
{
    if (!b.buffer || !g_pDemoSystem || !g_pDemoSystem->m_Parameters)
        return;
    b.filler.Fill(*g_pDemoSystem->m_Parameters, b.shadow);
    glNamedBufferSubData(b.buffer, 0, b.size, b.shadow.data());
}

void CGLMaterialResource::Apply()
{
    m_Renderer.BindInputLayout();
    // Without both stages, or without an input layout, there is no program:
    // draws with this material show nothing.
    m_Renderer.UseProgram(m_bInputLayout ? m_Program : 0);
    for (const TextureSlot& slot : GetTextureSlots()) {
        if (!slot.texture)
            continue; // the previous binding at that register stays
        const auto* texture = dynamic_cast<const CGLTextureResource*>(slot.texture);
        m_Renderer.BindTexture(slot.bindPoint, texture ? texture->GetTexture() : 0);
    }
    size_t k = 0;
    for (const Stage* stage : {&m_Vertex, &m_Pixel}) {
        for (const GLConstantBuffer& b : stage->buffers) {
            const GLuint buffer = m_pBoundConstants ? m_pBoundConstants->buffers[k] : b.buffer;
            glBindBufferBase(GL_UNIFORM_BUFFER, b.binding, buffer);
            ++k;
        }
    }
}

std::vector<std::string> CGLMaterialResource::GetSourceFiles() const
{
    std::vector<std::string> files = m_ShaderFiles;
    if (!m_SourcePath.empty())
        files.push_back(m_SourcePath);
    return files;
}

bool CGLMaterialResource::Reload()
{
    if (m_SourcePath.empty())
        return false;
    CGLMaterialResource fresh(GetName(), m_Renderer);
    fresh.Load(m_SourcePath);
    if (!fresh.m_Program)
        return false; // the loads said why
    std::swap(m_Vertex, fresh.m_Vertex);
    std::swap(m_Pixel, fresh.m_Pixel);
    std::swap(m_Program, fresh.m_Program);
    m_Renderer.ForgetProgram(fresh.m_Program);
    std::swap(m_bInputLayout, fresh.m_bInputLayout);
    std::swap(m_bFillConstants, fresh.m_bFillConstants);
    std::swap(m_UserConstants, fresh.m_UserConstants); // the old users' buffers go with fresh
    std::swap(m_ShaderFiles, fresh.m_ShaderFiles);
    m_pBoundConstants = nullptr;
    TakeSlotsFrom(fresh);
    return true;
}
