// SpectrumBench: what the music table costs per frame: reading the heard mix
// from the mixer's history, the Hann window, the FFT and the dB mapping.
// Baseline: mixing one 60 fps frame of the same music through the fixed-step
// output, which every frame pays anyway. Interleaved rounds; min, median, max.
// Exits non-zero when the median spectrum cost reaches 0.1 ms per frame.
//
//   SpectrumBench [--rounds N] [--frames N]
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/MusicSpectrum.h"
#include "audio/PulledAudioOutput.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

bool WriteMusic(const std::string& path, double seconds)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<size_t>(seconds * 44100);
    std::vector<float> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        samples[2 * i] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 220 * t));
        samples[2 * i + 1] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 331 * t));
    }
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return true;
}

struct Stats {
    double min, median, max;
};

Stats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 15;
    int frames = 600;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--frames"))
            frames = std::max(1, std::atoi(argv[i + 1]));
    }
    const auto path = std::filesystem::temp_directory_path() / ("ml_spectrum_bench_" + std::to_string(getpid()) + ".wav");
    const double seconds = static_cast<double>(rounds) * frames / 60.0 + 2.0;
    if (!WriteMusic(path.string(), seconds)) {
        std::printf("cannot write %s\n", path.c_str());
        return 1;
    }
    std::string error;
    auto stream = CAudioStream::Open(path.string(), error);
    if (!stream) {
        std::printf("cannot open the music: %s\n", error.c_str());
        return 1;
    }
    CAudioMixer mixer;
    CPulledAudioOutput output(mixer);
    mixer.Play(stream);
    CMusicSpectrum spectrum;
    std::vector<float> mono(CMusicSpectrum::kWindow);
    float sink = 0.0f;

    std::vector<double> mixCost, spectrumCost, ratio;
    for (int r = 0; r < rounds; ++r) {
        // Baseline: one frame of music mixed, the same number of frames.
        double t0 = Now();
        for (int f = 0; f < frames; ++f)
            output.AdvanceFrame(1.0f / 60.0f);
        const double mix = (Now() - t0) / frames;
        t0 = Now();
        for (int f = 0; f < frames; ++f) {
            mixer.CopyRecentMono(mixer.GetMixedFrames(), mono.data(), CMusicSpectrum::kWindow);
            spectrum.Analyse(mono.data());
            sink += spectrum.GetTexels()[f % 1024];
        }
        const double table = (Now() - t0) / frames;
        mixCost.push_back(mix * 1e3);
        spectrumCost.push_back(table * 1e3);
        ratio.push_back(table / mix);
    }
    std::filesystem::remove(path);

    const Stats m = Summarise(mixCost), s = Summarise(spectrumCost), q = Summarise(ratio);
    std::printf("Per frame, %d rounds of %d frames (ms: min / median / max)\n", rounds, frames);
    std::printf("  mixing one 60 fps frame (baseline)  %.4f / %.4f / %.4f\n", m.min, m.median, m.max);
    std::printf("  music table (history, window, FFT)  %.4f / %.4f / %.4f\n", s.min, s.median, s.max);
    std::printf("  ratio table / mixing                %.2f / %.2f / %.2f\n", q.min, q.median, q.max);
    std::printf("  (checksum %g)\n", static_cast<double>(sink));
    const bool ok = s.median < 0.1;
    std::printf("%s: median table cost %.4f ms per frame (target < 0.1 ms)\n", ok ? "OK" : "MISSED", s.median);
    return ok ? 0 : 1;
}
