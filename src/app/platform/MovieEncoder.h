// CMovieEncoder: writes frames as H.264 (libx264, yuv420p, BT.709) and their
// music as AAC into an MP4 or Matroska file through FFmpeg. Odd sizes are padded
// to even by repeating the last column and row, since 4:2:0 needs even sizes.
// It does no threading and keeps no clock of its own: frame indices and sample
// counts from the writer are the timestamps.
#pragma once
#include "app/platform/FrameEncoder.h"

#include <memory>
#include <vector>

struct AVCodecParameters;
struct AVPacket;

class CMovieEncoder : public CFrameEncoder {
public:
    // The x264 preset: fast enough to keep up with rendering on two cores.
    static constexpr const char* kPreset = "veryfast";

    CMovieEncoder();
    ~CMovieEncoder() override;

    // The container named by the file's extension (".mp4", ".mkv"), or null.
    static const char* ContainerFor(const std::string& path);

    bool Open(const std::string& path, const VideoFormat& format) override;
    bool Encode(long frameIndex, const uint8_t* rgba, const float* samples, size_t sampleFrames) override;
    bool Finish() override;

    // A movie whose H.264 comes already encoded (joined segments): the video stream takes these
    // parameters, its packets come through CopyVideoPacket and only the sound is encoded here.
    bool OpenCopy(const std::string& path, const VideoFormat& format, const AVCodecParameters& video);
    // One packet of the copied stream, its times in frames from the movie's start.
    bool CopyVideoPacket(AVPacket& packet);
    // The copied video stream's parameters (null until OpenCopy succeeded).
    const AVCodecParameters* CopiedParameters() const;
    // Sound for a copied movie: interleaved samples, in the order they play.
    bool AddAudio(const float* samples, size_t sampleFrames);

private:
    struct State;
    bool OpenFile(const std::string& path, const VideoFormat& format, const AVCodecParameters* copied);
    bool OpenVideo();
    bool OpenAudio();
    bool EncodeAudio(const float* samples, size_t sampleFrames);
    bool SendAudioFrames(bool flush);
    bool Drain(int stream, bool flush);

    std::unique_ptr<State> m;
    VideoFormat m_Format;
    std::string m_Path;
    std::vector<uint8_t> m_Padded;
    long m_nFrames = 0;
    int64_t m_nSamplesIn = 0;
    int64_t m_nAudioPts = 0;
    bool m_bHeaderWritten = false;
    bool m_bFinished = false;
};
