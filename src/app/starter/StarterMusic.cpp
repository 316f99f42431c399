// Synthesis of the starter tune.
#include "app/starter/StarterMusic.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sndfile.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 0.5; // 120 BPM
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Semitones above A2 (110 Hz), one per beat: a four-bar loop.
constexpr int kBass[16] = {0, 0, 3, 5, 0, 0, 7, 5, -2, -2, 3, 5, -4, -4, -2, 3};
constexpr int kLead[8] = {12, 15, 19, 24, 22, 19, 15, 17};

double NoteHz(double base, int semitones) { return base * std::pow(2.0, semitones / 12.0); }

double Sample(double t)
{
    const int beat = static_cast<int>(t / kBeat);
    const double inBeat = t - beat * kBeat;
    // Kick: a falling sine with a fast decay.
    const double kickPhase = kTwoPi * (45.0 * inBeat + 60.0 * (1.0 - std::exp(-inBeat * 30.0)) / 30.0);
    const double kick = std::sin(kickPhase) * std::exp(-inBeat * 9.0);
    // Bass: a soft square an octave down, plucked on each beat.
    const double bassHz = NoteHz(55.0, kBass[beat % 16]);
    const double bass = std::tanh(3.0 * std::sin(kTwoPi * bassHz * t)) * std::exp(-inBeat * 4.0);
    // Lead: two notes a beat, bright enough to light up the upper bands.
    const double half = kBeat / 2.0;
    const int step = static_cast<int>(t / half);
    const double inStep = t - step * half;
    const double leadHz = NoteHz(220.0, kLead[step % 8]);
    double lead = 0.0;
    for (int h = 1; h <= 6; ++h)
        lead += std::sin(kTwoPi * leadHz * h * t) / h;
    lead *= std::min(1.0, inStep * 80.0) * std::exp(-inStep * 6.0) * (t > 2.0 ? 1.0 : 0.0);
    // Fade in and out so the file starts and ends quietly.
    const double edge = std::min({1.0, t / 0.05, (kStarterMusicSeconds - t) / 0.5});
    return edge * (0.45 * kick + 0.3 * bass + 0.12 * lead);
}

} // namespace

bool WriteStarterMusic(const std::string& path, std::string& error)
{
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = sf_strerror(nullptr);
        return false;
    }
    const auto frames = static_cast<size_t>(kStarterMusicSeconds * kRate);
    std::vector<float> samples(frames);
    for (size_t i = 0; i < frames; ++i)
        samples[i] = static_cast<float>(std::clamp(Sample(static_cast<double>(i) / kRate), -1.0, 1.0));
    const bool written = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames)) ==
                         static_cast<sf_count_t>(frames);
    if (!written)
        error = sf_strerror(file);
    return sf_close(file) == 0 && written;
}
