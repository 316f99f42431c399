// Instruments of the synth: drums from shaped sine and noise, bass, pads and
// plucks from band-limited saw and pulse oscillators through a state-variable
// low-pass filter.
#include "Voices.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Removes the step discontinuity of a naive oscillator at phase 0 (polyBLEP).
double PolyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Oscillator {
    double phase = 0.0;

    double Saw(double hz, int rate)
    {
        const double dt = hz / rate;
        const double value = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
        Advance(dt);
        return value;
    }

    double Pulse(double hz, int rate, double width)
    {
        const double dt = hz / rate;
        double value = phase < width ? 1.0 : -1.0;
        value += PolyBlep(phase, dt);
        value -= PolyBlep(std::fmod(phase + 1.0 - width, 1.0), dt);
        Advance(dt);
        return value;
    }

    double Sine(double hz, int rate)
    {
        const double value = std::sin(2.0 * kPi * phase);
        Advance(hz / rate);
        return value;
    }

private:
    void Advance(double dt)
    {
        phase += dt;
        phase -= std::floor(phase);
    }
};

// Chamberlin state-variable filter; cutoffs stay well below a sixth of the rate.
struct Filter {
    double low = 0.0, band = 0.0;

    double LowPass(double x, double cutoffHz, double resonance, int rate)
    {
        const double f = 2.0 * std::sin(kPi * std::min(cutoffHz, rate / 6.5) / rate);
        low += f * band;
        const double high = x - low - resonance * band;
        band += f * high;
        return low;
    }

    double HighPass(double x, double cutoffHz, int rate)
    {
        const double f = 2.0 * std::sin(kPi * std::min(cutoffHz, rate / 6.5) / rate);
        low += f * band;
        const double high = x - low - 1.4 * band;
        band += f * high;
        return high;
    }
};

// Attack-release envelope of a held note: linear attack, exponential release after `length`.
double HeldEnvelope(double t, double attack, double length, double release)
{
    const double rise = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
    if (t <= length)
        return rise;
    return rise * std::exp(-(t - length) / release);
}

template <typename Sample>
void RenderNote(StereoMix& mix, double start, double seconds, float pan, Sample sample)
{
    const size_t first = mix.FrameAt(start);
    const size_t count = static_cast<size_t>(seconds * mix.rate);
    for (size_t i = 0; i < count && first + i < mix.Frames(); ++i)
        mix.Add(first + i, static_cast<float>(sample(static_cast<double>(i) / mix.rate)), pan);
}

} // namespace

StereoMix::StereoMix(int sampleRate, double seconds)
    : rate(sampleRate), left(static_cast<size_t>(seconds * sampleRate), 0.0f),
      right(static_cast<size_t>(seconds * sampleRate), 0.0f)
{
}

size_t StereoMix::FrameAt(double seconds) const
{
    return static_cast<size_t>(std::llround(std::max(0.0, seconds) * rate));
}

void StereoMix::Add(size_t frame, float sample, float pan)
{
    if (frame >= left.size())
        return;
    // Constant-power pan.
    const double angle = (static_cast<double>(pan) + 1.0) * kPi * 0.25;
    left[frame] += sample * static_cast<float>(std::cos(angle));
    right[frame] += sample * static_cast<float>(std::sin(angle));
}

double MidiToHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

float CNoise::Next()
{
    // xorshift32
    m_State ^= m_State << 13;
    m_State ^= m_State >> 17;
    m_State ^= m_State << 5;
    return static_cast<float>(m_State) / 2147483648.0f - 1.0f;
}

void RenderKick(StereoMix& mix, double start, float gain)
{
    Oscillator body;
    const int rate = mix.rate;
    RenderNote(mix, start, 0.45, 0.0f, [&](double t) {
        const double hz = 44.0 + 120.0 * std::exp(-t * 28.0);
        const double click = t < 0.004 ? (1.0 - t / 0.004) * 0.4 : 0.0;
        return gain * (std::tanh(1.6 * body.Sine(hz, rate)) * std::exp(-t * 7.0) + click);
    });
}

void RenderSnare(StereoMix& mix, double start, float gain, CNoise& noise)
{
    Oscillator tone;
    Filter hiss;
    const int rate = mix.rate;
    RenderNote(mix, start, 0.3, 0.05f, [&](double t) {
        const double n = hiss.HighPass(noise.Next(), 1800.0, rate) * std::exp(-t * 16.0);
        const double body = tone.Sine(185.0 + 40.0 * std::exp(-t * 40.0), rate) * std::exp(-t * 24.0);
        return gain * (0.75 * n + 0.6 * body);
    });
}

void RenderHat(StereoMix& mix, double start, float gain, bool open, float pan, CNoise& noise)
{
    Filter high;
    const int rate = mix.rate;
    const double decay = open ? 9.0 : 55.0;
    RenderNote(mix, start, open ? 0.45 : 0.1, pan, [&](double t) {
        return gain * high.HighPass(noise.Next(), 6500.0, rate) * std::exp(-t * decay);
    });
}

void RenderCrash(StereoMix& mix, double start, float gain, CNoise& noise)
{
    Filter highL, highR;
    const int rate = mix.rate;
    const size_t first = mix.FrameAt(start);
    const size_t count = static_cast<size_t>(2.5 * rate);
    for (size_t i = 0; i < count && first + i < mix.Frames(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double env = gain * std::exp(-t * 1.8);
        mix.Add(first + i, static_cast<float>(env * highL.HighPass(noise.Next(), 4000.0, rate)), -0.6f);
        mix.Add(first + i, static_cast<float>(env * highR.HighPass(noise.Next(), 4000.0, rate)), 0.6f);
    }
}

void RenderRiser(StereoMix& mix, double start, double length, float gain, CNoise& noise)
{
    Filter sweep;
    const int rate = mix.rate;
    RenderNote(mix, start, length, 0.0f, [&](double t) {
        const double x = t / length;
        const double cutoff = 300.0 + 5500.0 * x * x;
        return gain * x * x * sweep.LowPass(noise.Next(), cutoff, 0.5, rate);
    });
}

void RenderBass(StereoMix& mix, double start, double length, int note, float gain)
{
    Oscillator saw, sub;
    Filter filter;
    const int rate = mix.rate;
    const double hz = MidiToHz(note);
    RenderNote(mix, start, length + 0.08, 0.0f, [&](double t) {
        const double cutoff = 180.0 + 900.0 * std::exp(-t * 14.0);
        const double x = 0.6 * saw.Saw(hz, rate) + 0.5 * sub.Sine(hz * 0.5, rate);
        return gain * filter.LowPass(x, cutoff, 0.6, rate) * HeldEnvelope(t, 0.004, length, 0.02);
    });
}

void RenderPad(StereoMix& mix, double start, double length, int note, float gain, float pan)
{
    Oscillator a, b, c;
    Filter filter;
    const int rate = mix.rate;
    const double hz = MidiToHz(note);
    // Two detuned saws and a soft octave below; the filter opens slowly.
    RenderNote(mix, start, length + 1.6, pan, [&](double t) {
        const double x = a.Saw(hz * 1.004, rate) + b.Saw(hz * 0.996, rate) + 0.5 * c.Saw(hz * 0.5, rate);
        const double cutoff = 700.0 + 900.0 * (0.5 + 0.5 * std::sin(t * 1.3));
        return gain * 0.3 * filter.LowPass(x, cutoff, 0.9, rate) * HeldEnvelope(t, 0.45, length, 0.5);
    });
}

void RenderPluck(StereoMix& mix, double start, double length, int note, float gain, float pan)
{
    Oscillator pulse;
    Filter filter;
    const int rate = mix.rate;
    const double hz = MidiToHz(note);
    RenderNote(mix, start, length + 0.3, pan, [&](double t) {
        const double cutoff = 600.0 + 4200.0 * std::exp(-t * 18.0);
        const double x = pulse.Pulse(hz, rate, 0.3);
        return gain * 0.5 * filter.LowPass(x, cutoff, 0.7, rate) * HeldEnvelope(t, 0.002, 0.0, 0.09 + length * 0.3);
    });
}
