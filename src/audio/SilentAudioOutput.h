// CSilentAudioOutput: a real-time output with no device, used when no sound card
// can be opened. A thread pulls the mixer at the pace of the steady clock and
// throws the samples away, so music positions and waits behave as if it played.
#pragma once
#include "audio/AudioOutput.h"

#include "audio/PeriodicThread.h"

class CAudioMixer;

class CSilentAudioOutput : public CAudioOutput {
public:
    explicit CSilentAudioOutput(CAudioMixer& mixer) : m_Mixer(mixer) {}
    ~CSilentAudioOutput() override { Stop(); }

    bool Start(std::string& error) override;
    void Stop() override;
    bool IsRealTime() const override { return true; }
    int64_t GetHeardFrame() const override;

private:
    CAudioMixer& m_Mixer;
    CPeriodicThread m_Thread;
};
