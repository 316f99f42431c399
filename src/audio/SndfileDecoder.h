// CSndfileDecoder: one music file opened with libsndfile (WAV, AIFF, FLAC, Ogg
// Vorbis, Opus, MP3) and read incrementally as interleaved float stereo at the
// file's own rate (mono goes to both channels, only the first two channels of
// wider files are used). It keeps no more than one read's worth of samples.
// MP3 seeking in libsndfile 1.2.0 lands on wrong or silent frames for some files,
// so MP3 seeks decode forward instead (mpg123 decodes about 1000 times real time).
#pragma once
#include "audio/AudioDecoder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CSndfileDecoder final : public CAudioDecoder {
public:
    ~CSndfileDecoder() override;

    // Null, with the reason in error, when libsndfile cannot open the file as usable audio.
    static std::unique_ptr<CSndfileDecoder> Open(const std::string& path, std::string& error);

    int GetRate() const override { return m_nRate; }
    int64_t GetDeclaredFrames() const override { return m_nDeclaredFrames; }
    int Read(float* out, int frames) override;
    bool Seek(int64_t frame) override;

private:
    CSndfileDecoder() = default;
    bool SkipTo(int64_t frame);

    struct sf_private_tag* m_pFile = nullptr;
    int m_nRate = 0;
    int m_nChannels = 0;
    int64_t m_nDeclaredFrames = 0;
    std::string m_Path;
    bool m_bSeekByDecoding = false;
    int64_t m_nPosition = 0; // frames read since the start, where seeks are emulated
    std::vector<float> m_Scratch;
};
