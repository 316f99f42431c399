// Music files made by the tests themselves with libsndfile (no binary assets in
// the repository), and a scratch folder that removes itself.
#pragma once
#include "support/TempDir.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace audiotest {

// A scratch folder that names the files in it.
struct ScratchDir : TempDir {
    std::string File(const std::string& name) const { return (Path() / name).string(); }
};

using Generator = std::function<float(int64_t frame, int channel)>;

// Writes frames of channels at rate in format (SF_FORMAT_*); false when libsndfile refuses.
inline bool WriteAudio(const std::string& path, int format, int rate, int channels, int64_t frames, const Generator& gen)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> block;
    constexpr int64_t kBlock = 4096;
    for (int64_t at = 0; at < frames; at += kBlock) {
        const int64_t n = std::min(kBlock, frames - at);
        block.resize(static_cast<size_t>(n * channels));
        for (int64_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                block[static_cast<size_t>(i * channels + c)] = gen(at + i, c);
        if (sf_writef_float(file, block.data(), n) != n) {
            sf_close(file);
            return false;
        }
    }
    return sf_close(file) == 0;
}

inline Generator Sine(double hz, double rate, float amplitude)
{
    return [=](int64_t i, int) {
        return static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    };
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
    return static_cast<bool>(f);
}

} // namespace audiotest
