// CFrameAudioCutter: hands a fixed-step render exactly the sound of each frame.
// The music arrives as the pulled mixer makes it (its own rounding of the
// clock); the video side wants a fixed
// count per frame. Cutting the one stream into those counts keeps the total
// exact, so sound and picture never drift. It does not mix or encode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class CFrameAudioCutter {
public:
    explicit CFrameAudioCutter(int channels = 2) : m_nChannels(channels > 0 ? channels : 1) {}

    // The mixer's output of one frame: frames interleaved sample frames.
    void Add(const float* samples, size_t frames);
    // A frame with no music at all (no mixer): silence of that frame's length.
    void AddSilence(size_t frames);
    // Replaces out with exactly frames sample frames, oldest first. When the mixer's
    // rounding is a sample behind, silence makes up the rest (counted in Padded()).
    void Cut(size_t frames, std::vector<float>& out);

    size_t Buffered() const { return m_Pending.size() / static_cast<size_t>(m_nChannels); }
    int64_t Padded() const { return m_nPadded; }
    int Channels() const { return m_nChannels; }

private:
    int m_nChannels;
    std::deque<float> m_Pending;
    int64_t m_nPadded = 0;
};
