// CGLFrameReader: reads finished frames out of the renderer's back buffer as
// RGBA8, tightly packed, top row first, into memory the caller names. On a GPU
// it reads through a ring of pixel-buffer objects: a frame's copy is started
// when the frame is finished and collected some frames later, so neither the
// GPU nor the CPU waits for the other. On a software rasterizer, where the
// picture is in memory already, it reads each frame straight into place. It
// does not decide where frames go or when drawing happens.
#pragma once
#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CGLRenderer;

class CGLFrameReader {
public:
    enum class Mode { Direct, Ring };

    // Ring on hardware; Direct for a driver that rasterizes on the CPU (by its GL_RENDERER).
    static Mode ModeFor(const std::string& rendererName);
    static Mode ModeForCurrentContext();

    CGLFrameReader(CGLRenderer& renderer, Mode mode, size_t ringFrames = 3);
    ~CGLFrameReader();
    CGLFrameReader(const CGLFrameReader&) = delete;
    CGLFrameReader& operator=(const CGLFrameReader&) = delete;

    // Starts reading the frame now in the back buffer. Before the next frame is
    // drawn, collect frames with TakeOldest while Pending() == Depth().
    void Start();
    // Frames started and not yet taken.
    size_t Pending() const { return m_nPending; }
    // How many frames may be pending before one must be taken (1 when Direct).
    size_t Depth() const { return m_Mode == Mode::Direct ? 1 : m_Ring.size(); }
    // Copies the oldest pending frame into rgba (width*height*4 bytes), waiting
    // for its copy to finish; null drops it.
    void TakeOldest(uint8_t* rgba);

    Mode GetMode() const { return m_Mode; }

private:
    struct Slot {
        GLuint buffer = 0;
        GLsync fence = nullptr;
    };

    CGLRenderer& m_Renderer;
    Mode m_Mode;
    std::vector<Slot> m_Ring;
    size_t m_nOldest = 0;
    size_t m_nPending = 0;
    size_t m_nBytes = 0;
};
