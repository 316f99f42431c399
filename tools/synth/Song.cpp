// The arrangement: which instrument plays what, when. Pads and bass duck under
// the kick (a side-chain pump); the arpeggio runs through a ping-pong delay.
#include "Song.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace song;

// Am, F, C, G: one chord per bar. Voicings kept close; the bass plays roots.
constexpr int kChords[4][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62}};
constexpr int kRoots[4] = {45, 41, 48, 43};
// Arpeggio steps into {chord tones, tones an octave up}.
constexpr int kArp[16] = {0, 1, 2, 4, 2, 1, 0, 1, 0, 1, 2, 4, 3, 2, 1, 2};

double At(int bar, double beat) { return bar * kBar + beat * kBeat; }

int ArpNote(int bar, int step)
{
    const int* chord = kChords[bar % 4];
    const int index = kArp[step % 16];
    const int tone = index < 3 ? chord[index] : chord[index - 3] + 12;
    return tone + 12;
}

// Gain of the side-chain pump at each frame: dips at each kick, recovers in ~0.2 s.
std::vector<float> PumpCurve(const StereoMix& mix, const std::vector<double>& kicks)
{
    std::vector<float> pump(mix.Frames(), 1.0f);
    for (double kick : kicks) {
        const size_t first = mix.FrameAt(kick);
        for (size_t i = 0; i < static_cast<size_t>(0.4 * mix.rate) && first + i < pump.size(); ++i) {
            const double t = static_cast<double>(i) / mix.rate;
            pump[first + i] = std::min(pump[first + i], static_cast<float>(1.0 - 0.55 * std::exp(-t * 12.0)));
        }
    }
    return pump;
}

void AddInto(StereoMix& to, const StereoMix& from, const std::vector<float>* pump, float gain)
{
    for (size_t i = 0; i < to.Frames(); ++i) {
        const float g = gain * (pump ? (*pump)[i] : 1.0f);
        to.left[i] += from.left[i] * g;
        to.right[i] += from.right[i] * g;
    }
}

// Dotted-eighth ping-pong delay, mixed in under the dry signal.
void PingPong(StereoMix& mix)
{
    const size_t delay = static_cast<size_t>(0.75 * kBeat * mix.rate);
    std::vector<float> l(mix.left), r(mix.right);
    for (size_t i = delay; i < mix.Frames(); ++i) {
        l[i] += 0.45f * r[i - delay];
        r[i] += 0.45f * l[i - delay];
    }
    for (size_t i = 0; i < mix.Frames(); ++i) {
        mix.left[i] += 0.5f * (l[i] - mix.left[i]);
        mix.right[i] += 0.5f * (r[i] - mix.right[i]);
    }
}

} // namespace

StereoMix RenderSong(int sampleRate)
{
    StereoMix drums(sampleRate, kLength), pads(sampleRate, kLength), bass(sampleRate, kLength),
        arp(sampleRate, kLength);
    CNoise noise(0x4d4c5348u);
    std::vector<double> kicks;

    for (int bar = 0; bar < kBars; ++bar) {
        const bool groove = bar >= 4 && bar < 20;
        const bool drop = bar >= 12 && bar < 20;
        const int chord = bar % 4;

        // Pads all the way; the last bar rings on into the tail.
        const double held = bar == kBars - 1 ? kBar + kTail - 1.6 : kBar;
        for (int v = 0; v < 3; ++v)
            RenderPad(pads, At(bar, 0), held, kChords[chord][v], bar < 2 ? 0.6f : 0.55f, -0.5f + 0.5f * v);

        if (groove) {
            for (int beat = 0; beat < 4; ++beat) {
                RenderKick(drums, At(bar, beat), 0.9f);
                kicks.push_back(At(bar, beat));
            }
            RenderSnare(drums, At(bar, 1), 0.55f, noise);
            RenderSnare(drums, At(bar, 3), 0.55f, noise);
            for (int eighth = 0; eighth < 8; ++eighth) {
                const bool offbeat = eighth % 2 == 1;
                RenderHat(drums, At(bar, eighth * 0.5), offbeat ? 0.32f : 0.14f, offbeat && eighth == 7, 0.3f, noise);
                static constexpr int kBassSteps[8] = {0, 0, 12, 0, 0, 12, 0, 7};
                RenderBass(bass, At(bar, eighth * 0.5), 0.2, kRoots[chord] - 12 + kBassSteps[eighth], 0.6f);
            }
            if (drop)
                for (int sixteenth = 1; sixteenth < 16; sixteenth += 2)
                    RenderHat(drums, At(bar, sixteenth * 0.25), 0.08f, false, -0.35f, noise);
        } else if (bar == 2 || bar == 3) {
            for (int eighth = 0; eighth < 8; ++eighth)
                RenderHat(drums, At(bar, eighth * 0.5), eighth % 2 ? 0.18f : 0.07f, false, 0.3f, noise);
        }

        // Fills: a snare roll on the last beat before each new section.
        if (bar == 11 || bar == 19)
            for (int step = 0; step < 4; ++step)
                RenderSnare(drums, At(bar, 3 + step * 0.25), 0.25f + 0.1f * step, noise);

        // Arpeggio: soft eighths in the intro, sixteenths in the drop, fading eighths in the outro.
        if (bar == 2 || bar == 3 || bar >= 20) {
            const float fade = bar >= 20 ? 0.5f * (1.0f - (bar - 20) / 4.0f) : 0.3f;
            for (int eighth = 0; eighth < 8; ++eighth)
                RenderPluck(arp, At(bar, eighth * 0.5), 0.2, ArpNote(bar, eighth * 2), fade,
                            eighth % 2 ? 0.4f : -0.4f);
        } else if (drop) {
            for (int sixteenth = 0; sixteenth < 16; ++sixteenth)
                RenderPluck(arp, At(bar, sixteenth * 0.25), 0.1, ArpNote(bar, sixteenth),
                            sixteenth % 4 == 0 ? 0.6f : 0.42f, sixteenth % 2 ? 0.35f : -0.35f);
        }
    }
    for (int bar : {4, 12, 20}) {
        RenderCrash(drums, At(bar, 0), 0.35f, noise);
        RenderRiser(drums, At(bar, 0) - 2.0 * kBeat, 2.0 * kBeat, 0.35f, noise);
    }
    RenderKick(drums, At(20, 0), 0.9f);

    PingPong(arp);
    const std::vector<float> pump = PumpCurve(drums, kicks);
    StereoMix master(sampleRate, kLength);
    AddInto(master, drums, nullptr, 1.0f);
    AddInto(master, pads, &pump, 1.0f);
    AddInto(master, bass, &pump, 1.0f);
    AddInto(master, arp, nullptr, 1.0f);

    // Soft limiting, then a peak just under full scale.
    float peak = 0.0f;
    for (size_t i = 0; i < master.Frames(); ++i) {
        master.left[i] = std::tanh(master.left[i]);
        master.right[i] = std::tanh(master.right[i]);
        peak = std::max({peak, std::fabs(master.left[i]), std::fabs(master.right[i])});
    }
    const float scale = peak > 0.0f ? 0.8f / peak : 1.0f;
    for (size_t i = 0; i < master.Frames(); ++i) {
        master.left[i] *= scale;
        master.right[i] *= scale;
    }
    return master;
}
