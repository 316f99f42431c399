// CSilentAudioOutput: a real-time output with no device, used when no sound card
// can be opened. A thread pulls the mixer at the pace of the steady clock and
// throws the samples away, so music positions and waits behave as if it played.
#pragma once
#include "audio/AudioOutput.h"

#include <condition_variable>
#include <mutex>
#include <thread>

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
    void Run();

    CAudioMixer& m_Mixer;
    std::thread m_Thread;
    std::mutex m_Lock;
    std::condition_variable m_Wake;
    bool m_bStop = false;
};
