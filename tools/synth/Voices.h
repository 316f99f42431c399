// The instruments of the synth: each renders one note into a stereo mix
// buffer at a start time. Oscillators are band-limited with polyBLEP; noise is
// a fixed-seed generator, so every build writes the same music.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct StereoMix {
    int rate = 44100;
    std::vector<float> left, right;

    StereoMix(int sampleRate, double seconds);
    size_t Frames() const { return left.size(); }
    size_t FrameAt(double seconds) const;
    // Adds a mono sample at a frame, placed by pan (-1 left .. 1 right).
    void Add(size_t frame, float sample, float pan);
};

double MidiToHz(int note);

class CNoise {
public:
    explicit CNoise(uint32_t seed) : m_State(seed) {}
    float Next(); // uniform in [-1, 1)

private:
    uint32_t m_State;
};

void RenderKick(StereoMix& mix, double start, float gain);
void RenderSnare(StereoMix& mix, double start, float gain, CNoise& noise);
void RenderHat(StereoMix& mix, double start, float gain, bool open, float pan, CNoise& noise);
void RenderCrash(StereoMix& mix, double start, float gain, CNoise& noise);
void RenderRiser(StereoMix& mix, double start, double length, float gain, CNoise& noise);
void RenderBass(StereoMix& mix, double start, double length, int note, float gain);
void RenderPad(StereoMix& mix, double start, double length, int note, float gain, float pan);
void RenderPluck(StereoMix& mix, double start, double length, int note, float gain, float pan);
