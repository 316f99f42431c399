// Frame read-back: straight into place, or through a ring of pixel buffers.
#include "render/gl/GLFrameReader.h"

#include "render/gl/GLRenderer.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Drivers that rasterize on the CPU: a pixel buffer would only add a copy.
constexpr const char* kSoftwareRasterizers[] = {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR"};

// Reads the back buffer into memory at dest, or into the bound pixel-pack buffer at offset dest.
void ReadBackBuffer(const CGLRenderer& renderer, void* dest, size_t bytes)
{
    const GLuint backBuffer = renderer.GetBackBuffer();
    glNamedFramebufferReadBuffer(backBuffer, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Row 0 of the back buffer is the top of the picture.
    glReadnPixels(0, 0, renderer.Width(), renderer.Height(), GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(bytes),
                  dest);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

} // namespace

CGLFrameReader::Mode CGLFrameReader::ModeFor(const std::string& rendererName)
{
    const bool software = std::any_of(std::begin(kSoftwareRasterizers), std::end(kSoftwareRasterizers),
                                      [&](const char* name) { return rendererName.find(name) != std::string::npos; });
    return software ? Mode::Direct : Mode::Ring;
}

CGLFrameReader::Mode CGLFrameReader::ModeForCurrentContext()
{
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return ModeFor(name ? name : "");
}

CGLFrameReader::CGLFrameReader(CGLRenderer& renderer, Mode mode, size_t ringFrames)
    : m_Renderer(renderer), m_Mode(mode),
      m_nBytes(static_cast<size_t>(renderer.Width()) * static_cast<size_t>(renderer.Height()) * 4)
{
    if (m_Mode == Mode::Direct)
        return;
    m_Ring.resize(std::max<size_t>(ringFrames, 1));
    for (Slot& slot : m_Ring) {
        glCreateBuffers(1, &slot.buffer);
        glNamedBufferStorage(slot.buffer, static_cast<GLsizeiptr>(m_nBytes), nullptr, GL_MAP_READ_BIT);
    }
}

CGLFrameReader::~CGLFrameReader()
{
    for (Slot& slot : m_Ring) {
        if (slot.fence)
            glDeleteSync(slot.fence);
        if (slot.buffer)
            glDeleteBuffers(1, &slot.buffer);
    }
}

void CGLFrameReader::Start()
{
    if (m_nPending == Depth())
        TakeOldest(nullptr); // the caller skipped one: keep the newest
    ++m_nPending;
    if (m_Mode == Mode::Direct)
        return; // read when taken: nothing is drawn in between
    Slot& slot = m_Ring[(m_nOldest + m_nPending - 1) % m_Ring.size()];
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    ReadBackBuffer(m_Renderer, nullptr, m_nBytes);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    slot.fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // Start the copy now rather than at the next flush.
    glFlush();
}

void CGLFrameReader::TakeOldest(uint8_t* rgba)
{
    if (m_nPending == 0)
        return;
    --m_nPending;
    if (m_Mode == Mode::Direct) {
        if (rgba)
            ReadBackBuffer(m_Renderer, rgba, m_nBytes);
        return;
    }
    Slot& slot = m_Ring[m_nOldest];
    m_nOldest = (m_nOldest + 1) % m_Ring.size();
    if (slot.fence) {
        glClientWaitSync(slot.fence, GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
        glDeleteSync(slot.fence);
        slot.fence = nullptr;
    }
    if (!rgba)
        return;
    const void* mapped = glMapNamedBufferRange(slot.buffer, 0, static_cast<GLsizeiptr>(m_nBytes), GL_MAP_READ_BIT);
    if (!mapped) {
        std::memset(rgba, 0, m_nBytes);
        return;
    }
    std::memcpy(rgba, mapped, m_nBytes);
    glUnmapNamedBuffer(slot.buffer);
}
