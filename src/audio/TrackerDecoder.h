// CTrackerDecoder: a tracker module (MOD, XM, IT, S3M and every other format
// libopenmpt plays) rendered by libopenmpt straight at the mix rate as float
// stereo. The module's first song is played once, ending with the library's
// short fade-out. Seeks land on a row at or before the target and render
// forward to the exact frame. It does not loop, and it leaves rendering settings
// (interpolation, stereo separation) at libopenmpt's defaults.
#pragma once
#include "audio/AudioDecoder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct openmpt_module;

class CTrackerDecoder final : public CAudioDecoder {
public:
    ~CTrackerDecoder() override;

    // Whether the file's first bytes are those of a module libopenmpt takes;
    // the file name plays no part.
    static bool IsModule(const std::string& path);
    // Null, with libopenmpt's reason in error, when the file does not load as a module.
    static std::unique_ptr<CTrackerDecoder> Open(const std::string& path, std::string& error);

    int GetRate() const override;
    int64_t GetDeclaredFrames() const override { return m_nDeclaredFrames; }
    int Read(float* out, int frames) override;
    bool Seek(int64_t frame) override;

private:
    CTrackerDecoder() = default;

    openmpt_module* m_pModule = nullptr;
    int64_t m_nDeclaredFrames = 0;
    std::vector<float> m_Scratch; // rendered and dropped while a seek catches up
};
