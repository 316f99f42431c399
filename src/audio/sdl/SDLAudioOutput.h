// CSDLAudioOutput: the mixer played through an SDL2 audio device (44100 Hz float
// stereo; SDL converts if the device wants otherwise). The device callback only
// mixes from the streams' rings and clamps. The heard frame is estimated from
// the last callback: its buffer starts playing once the one before it is done.
#pragma once
#include "audio/AudioOutput.h"

#include <chrono>
#include <cstdint>
#include <mutex>

class CAudioMixer;

class CSDLAudioOutput : public CAudioOutput {
public:
    explicit CSDLAudioOutput(CAudioMixer& mixer) : m_Mixer(mixer) {}
    ~CSDLAudioOutput() override { Stop(); }

    bool Start(std::string& error) override;
    void Stop() override;
    bool IsRealTime() const override { return true; }
    int64_t GetHeardFrame() const override;

private:
    static void Callback(void* self, uint8_t* stream, int bytes);

    CAudioMixer& m_Mixer;
    uint32_t m_nDevice = 0;
    bool m_bSubsystem = false;

    mutable std::mutex m_TimingLock; // what the last callback did, for GetHeardFrame
    int64_t m_nCallbackMixed = 0;    // mixer frames before the last callback's buffer
    int m_nCallbackFrames = 0;
    std::chrono::steady_clock::time_point m_CallbackTime;
    bool m_bCalled = false;
    mutable int64_t m_nLastHeard = 0; // keeps the estimate from stepping back
};
