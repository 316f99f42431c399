// CPulledAudioOutput: the fixed-step output. Each AdvanceFrame(dt) mixes exactly
// the frames that bring the total to round(elapsed * 44100), so after any number
// of frames the music has advanced by the global time, to the sample, with no
// drift. A step that is the float nearest 1/n for a whole n is taken as exactly
// 1/n. Mixed samples stay available to one consumer (a video encoder) and are
// otherwise dropped. It plays nothing itself.
#pragma once
#include "audio/AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CAudioMixer;

class CPulledAudioOutput : public CAudioOutput {
public:
    explicit CPulledAudioOutput(CAudioMixer& mixer) : m_Mixer(mixer) {}

    bool Start(std::string&) override { return true; }
    void Stop() override {}
    bool IsRealTime() const override { return false; }
    int64_t GetHeardFrame() const override;
    void AdvanceFrame(float dt) override;

    // Interleaved stereo float at 44100 Hz mixed by the last AdvanceFrame.
    const std::vector<float>& GetLastFrameSamples() const { return m_Last; }
    // From now on every mixed sample is kept until taken (off: only the last frame's).
    void SetKeepSamples(bool keep);
    // Appends the kept samples to out, forgets them, and returns the frame count.
    size_t TakeSamples(std::vector<float>& out);

    // Skipping, each step moves the music on by its frames without mixing them
    // (fast-forward): positions and ends come out as if they had been mixed.
    void SetSkipping(bool skip) { m_bSkip = skip; }
    // Mixed for what looks back at recent music only: nothing is kept for a consumer.
    void SetUnkept(bool unkept) { m_bUnkept = unkept; }

    // Frames the next steps mix; exposed for tests and the encoder's bookkeeping.
    int64_t FramesForStep(float dt);

private:
    CAudioMixer& m_Mixer;
    // Elapsed time as base + count / den: exact for a steady 1/n step.
    double m_dBase = 0.0;
    int64_t m_nStepDen = 0;
    int64_t m_nStepCount = 0;
    int64_t m_nEmitted = 0;
    std::vector<float> m_Last;
    bool m_bKeep = false;
    bool m_bSkip = false;
    bool m_bUnkept = false;
    std::vector<float> m_Kept;
};
