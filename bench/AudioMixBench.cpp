// AudioMixBench: what music playback costs. (1) CPU: two 44.1 kHz stereo streams
// decoded and mixed, as a share of one core, both through the fixed-step output
// (as fast as possible) and in real time through SDL2 (dummy driver unless
// SDL_AUDIODRIVER says otherwise). (2) Memory: resident set size before, during
// and after playing a long track, which must stay flat: streams decode ahead
// into a bounded ring, never the whole file.
//
//   AudioMixBench [--seconds S] [--realtime S] [--long S] [--keep DIR]
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/PulledAudioOutput.h"
#include "audio/sdl/SDLAudioManager.h"
#include "scene/Resource.h"

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace {

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long RssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Music-like test signal: two detuned tones and a little noise, so codecs work for their bits.
bool WriteMusic(const std::string& path, int format, double seconds, double hz)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int64_t frames = static_cast<int64_t>(seconds * 44100);
    std::vector<float> block(8192 * 2);
    uint32_t noise = 12345;
    for (int64_t at = 0; at < frames; at += 8192) {
        const int64_t n = std::min<int64_t>(8192, frames - at);
        for (int64_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(at + i) / 44100.0;
            noise = noise * 1664525u + 1013904223u;
            const double r = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
            block[static_cast<size_t>(2 * i)] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * hz * t) + r);
            block[static_cast<size_t>(2 * i + 1)] =
                static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * hz * 1.007 * t) - r);
        }
        sf_writef_float(file, block.data(), n);
    }
    sf_close(file);
    return true;
}

struct Format {
    const char* name;
    const char* ext;
    int format;
};

const Format kFormats[] = {
    {"WAV 16-bit", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"FLAC 16-bit", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {"Ogg Vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
};

void PulledCost(const std::string& a, const std::string& b, double seconds, const char* name)
{
    std::string error;
    CAudioMixer mixer;
    CPulledAudioOutput output(mixer);
    auto sa = CAudioStream::Open(a, error);
    auto sb = CAudioStream::Open(b, error);
    if (!sa || !sb) {
        std::printf("  %-12s cannot open: %s\n", name, error.c_str());
        return;
    }
    mixer.Play(sa);
    mixer.Play(sb);
    const double cpu0 = CpuSeconds();
    const int frames = static_cast<int>(seconds * 60);
    for (int i = 0; i < frames; ++i)
        output.AdvanceFrame(1.0f / 60.0f);
    const double cpu = CpuSeconds() - cpu0;
    std::printf("  %-12s fixed step: %.3f s CPU for %.0f s of music = %.3f%% of one core\n", name, cpu, seconds,
                100.0 * cpu / seconds);
}

void RealTimeCost(const std::string& a, const std::string& b, double seconds, const char* name)
{
    std::unique_ptr<CSDLAudioManager> audio = CreateAudioManager(AudioOutput::Device);
    if (!audio->Init()) {
        std::printf("  %-12s real time: the output does not start\n", name);
        return;
    }
    CResource* ta = audio->LoadTrack("a", a);
    CResource* tb = audio->LoadTrack("b", b);
    // Idle cost first (device and threads with nothing playing), then with two streams.
    double cpu0 = CpuSeconds();
    double wall0 = WallSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(std::min(seconds, 3.0)));
    const double idle = (CpuSeconds() - cpu0) / (WallSeconds() - wall0);
    audio->PlayTrack(ta);
    audio->PlayTrack(tb);
    cpu0 = CpuSeconds();
    wall0 = WallSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double busy = (CpuSeconds() - cpu0) / (WallSeconds() - wall0);
    std::printf("  %-12s real time%s: %.3f%% of one core playing (idle output %.3f%%), position %.3f s\n", name,
                audio->IsSilentFallback() ? " (silent fallback)" : "", 100.0 * busy, 100.0 * idle,
                static_cast<double>(audio->GetPosition()));
    audio->Shutdown();
    // The tracks were made without a demo system; the manager owns them until it goes.
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 60.0;
    double realtime = 5.0;
    double longSeconds = 600.0;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--realtime"))
            realtime = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--long"))
            longSeconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--keep"))
            keep = argv[i + 1];
    }
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);

    namespace fs = std::filesystem;
    const fs::path dir = keep.empty() ? fs::temp_directory_path() / ("ml_audio_bench_" + std::to_string(getpid())) : fs::path(keep);
    fs::create_directories(dir);

    std::printf("Two 44.1 kHz stereo streams, decoded and mixed:\n");
    for (const Format& f : kFormats) {
        const std::string a = (dir / (std::string("a.") + f.ext)).string();
        const std::string b = (dir / (std::string("b.") + f.ext)).string();
        const double length = std::max(seconds, realtime) + 5.0;
        if (!WriteMusic(a, f.format, length, 220.0) || !WriteMusic(b, f.format, length, 330.0)) {
            std::printf("  %-12s libsndfile cannot write this format here\n", f.name);
            continue;
        }
        PulledCost(a, b, seconds, f.name);
        if (realtime > 0.0)
            RealTimeCost(a, b, realtime, f.name);
    }

    std::printf("Memory while a %.0f s track plays (FLAC, fixed step):\n", longSeconds);
    const std::string longPath = (dir / "long.flac").string();
    if (WriteMusic(longPath, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, longSeconds, 440.0)) {
        std::string error;
        const long before = RssKiB();
        CAudioMixer mixer;
        CPulledAudioOutput output(mixer);
        auto stream = CAudioStream::Open(longPath, error);
        const long opened = RssKiB();
        mixer.Play(stream);
        long peak = opened;
        const int frames = static_cast<int>(longSeconds * 60);
        for (int i = 0; i < frames; ++i) {
            output.AdvanceFrame(1.0f / 60.0f);
            if (i % 600 == 0)
                peak = std::max(peak, RssKiB());
        }
        const long after = RssKiB();
        std::printf("  file %.1f MiB; RSS before open %ld KiB, after open %ld KiB, peak while playing %ld KiB, "
                    "at the end %ld KiB (position %.3f s)\n",
                    static_cast<double>(fs::file_size(longPath)) / 1048576.0, before, opened, peak, after,
                    stream->GetHeardSeconds(output.GetHeardFrame()));
    }
    if (keep.empty())
        fs::remove_all(dir);
    return 0;
}
