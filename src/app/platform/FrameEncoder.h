// CFrameEncoder: one output back end of the video writer (a movie file, a PNG
// sequence). It sees finished frames one at a time on the writer's thread; the
// queue, the thread and the frame clock belong to CVideoWriter, not here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// What the writer was opened with. channels 0: no sound.
struct VideoFormat {
    int width = 0;
    int height = 0;
    int fps = 60;
    int sampleRate = 44100;
    int channels = 2;
    int quality = 18; // a CRF: lower is better and bigger
    long firstFrame = 0; // index of the first frame written: a range starts later in the production
    int threads = 0;     // encoder threads; 0: as many as there are cores
};

class CFrameEncoder {
public:
    virtual ~CFrameEncoder() = default;

    // Creates the output; false with Error() set, leaving no file behind when it can.
    virtual bool Open(const std::string& path, const VideoFormat& format) = 0;
    // One frame: width*height RGBA8 pixels, tightly packed, top row first, and its
    // samples, interleaved, sampleFrames per channel.
    virtual bool Encode(long frameIndex, const uint8_t* rgba, const float* samples, size_t sampleFrames) = 0;
    // Flushes and closes the output. Called once, after a failure too, so the file is released.
    virtual bool Finish() = 0;

    const std::string& Error() const { return m_Error; }

protected:
    bool Fail(std::string message)
    {
        if (m_Error.empty())
            m_Error = std::move(message);
        return false;
    }

    std::string m_Error;
};
