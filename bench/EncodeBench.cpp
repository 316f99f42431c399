// Speed of the --render output alone: synthetic 1280x720 frames at 60 fps with
// a stereo tone pushed through CVideoWriter as fast as it takes them, so the
// figure is the encoder's ceiling, to set against the renderer's speed.
// Usage: EncodeBench [frames=300] [output=temp .mp4] [quality=18]
#include "app/platform/VideoWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace {
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFps = 60;
constexpr int kRate = 44100;

// A wide field of soft shapes and fine grain; frames are windows onto it that
// move, so the encoder sees motion and texture as in a rendered scene.
std::vector<uint8_t> Field(int width, int height)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 29) - 4;
            const double u = x * 0.013, v = y * 0.017;
            uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
            p[0] = static_cast<uint8_t>(std::clamp(128 + 90 * std::sin(u + 2 * std::sin(v)) + grain, 0.0, 255.0));
            p[1] = static_cast<uint8_t>(std::clamp(128 + 90 * std::sin(v * 1.3 + std::cos(u * 0.7)) + grain, 0.0, 255.0));
            p[2] = static_cast<uint8_t>(std::clamp(128 + 90 * std::cos(u * 0.5 - v * 0.8) + grain, 0.0, 255.0));
            p[3] = 255;
        }
    return rgba;
}
} // namespace

int main(int argc, char** argv)
{
    const long frames = argc > 1 ? std::atol(argv[1]) : 300;
    const bool keep = argc > 2;
    const std::string path = keep ? argv[2]
                                  : (std::filesystem::temp_directory_path() /
                                     ("encode-bench-" + std::to_string(::getpid()) + ".mp4"))
                                        .string();
    const int quality = argc > 3 ? std::atoi(argv[3]) : CVideoWriter::kDefaultQuality;

    const int fieldWidth = kWidth * 2, fieldHeight = kHeight * 2;
    const auto field = Field(fieldWidth, fieldHeight);
    std::vector<float> tone;

    CVideoWriter writer;
    if (!writer.Open(path, kWidth, kHeight, kFps, kRate, 2, quality)) {
        std::fprintf(stderr, "EncodeBench: %s\n", writer.Error().c_str());
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    double blocked = 0;
    int64_t sample = 0;
    for (long f = 0; f < frames; ++f) {
        // A window gliding across the field, wrapping, with the stride of the field.
        const int ox = static_cast<int>((f * 5) % (fieldWidth - kWidth));
        const int oy = static_cast<int>((f * 3) % (fieldHeight - kHeight));
        const uint8_t* top = &field[(static_cast<size_t>(oy) * fieldWidth + static_cast<size_t>(ox)) * 4];
        const size_t n = CVideoWriter::SamplesForFrame(f, kRate, kFps);
        tone.resize(n * 2);
        for (size_t i = 0; i < n; ++i)
            tone[i * 2] = tone[i * 2 + 1] =
                0.3f * static_cast<float>(std::sin(2 * std::numbers::pi * 220 * static_cast<double>(sample + static_cast<int64_t>(i)) / kRate));
        sample += static_cast<int64_t>(n);
        const auto before = Clock::now();
        if (!writer.PushFrame(top, static_cast<std::ptrdiff_t>(fieldWidth) * 4, tone.data(), n)) {
            std::fprintf(stderr, "EncodeBench: %s\n", writer.Error().c_str());
            return 1;
        }
        blocked += std::chrono::duration<double>(Clock::now() - before).count();
    }
    const bool closed = writer.Close();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!closed) {
        std::fprintf(stderr, "EncodeBench: %s\n", writer.Error().c_str());
        return 1;
    }
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    std::printf("EncodeBench: %ld frames %dx%d at %d fps, H.264 crf %d preset veryfast + AAC\n", frames, kWidth, kHeight,
                kFps, quality);
    std::printf("  %.2f s wall, %.1f frames/s encoded (%.2fx real time), caller blocked %.2f s\n", seconds,
                static_cast<double>(frames) / seconds, static_cast<double>(frames) / seconds / kFps, blocked);
    std::printf("  %.2f MB, %.1f Mbit/s\n", static_cast<double>(bytes) / 1e6,
                static_cast<double>(bytes) * 8 / 1e6 / (static_cast<double>(frames) / kFps));
    if (!keep)
        std::filesystem::remove(path, ec);
    return 0;
}
