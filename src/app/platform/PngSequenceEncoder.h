// CPngSequenceEncoder: writes each frame as its own PNG file, numbered from 0
// through a printf-style field in the name ("shot_%05d.png"). The picture only:
// the music is not written, and the alpha channel is dropped so every frame is
// opaque, as the video shows it. The name is never used as a printf format.
#pragma once
#include "app/platform/FrameEncoder.h"

#include <optional>
#include <vector>

class CPngSequenceEncoder : public CFrameEncoder {
public:
    // The parts of a name around its one frame-number field ("%d", "%05d", "%5d"; "%%" is a
    // literal percent sign).
    struct Pattern {
        std::string prefix;
        std::string suffix;
        int width = 0;
        bool zeroPad = false;
    };
    // The pattern of a name, or nothing when it has no frame-number field or more than one.
    static std::optional<Pattern> ParsePattern(const std::string& path);
    static std::string FileName(const Pattern& pattern, long frameIndex);

    bool Open(const std::string& path, const VideoFormat& format) override;
    bool Encode(long frameIndex, const uint8_t* rgba, const float* samples, size_t sampleFrames) override;
    bool Finish() override { return m_Error.empty(); }

private:
    Pattern m_Pattern;
    VideoFormat m_Format;
    std::vector<uint8_t> m_Rgb;
};
