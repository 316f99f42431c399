// CAudioDecoder: one music file opened with libsndfile and read incrementally as
// interleaved float stereo at the file's own rate (mono goes to both channels,
// only the first two channels of wider files are used). It keeps no more than
// one read's worth of samples; rate conversion and threading are not its business.
// MP3 seeking in libsndfile 1.2.0 lands on wrong or silent frames for some files,
// so MP3 seeks decode forward instead (mpg123 decodes about 1000 times real time).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAudioDecoder {
public:
    ~CAudioDecoder();
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // Null, with the reason in error, when the file cannot be opened or is not usable audio.
    static std::unique_ptr<CAudioDecoder> Open(const std::string& path, std::string& error);

    int GetRate() const { return m_nRate; }
    // Frame count the file declares; may be inexact for compressed formats.
    int64_t GetDeclaredFrames() const { return m_nDeclaredFrames; }

    // Reads up to frames frames into out (2 floats each); fewer at the end or on a read error.
    int Read(float* out, int frames);
    // Positions the next Read at frame; false when the file cannot get there.
    bool Seek(int64_t frame);

private:
    CAudioDecoder() = default;
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
