// CSDLAudioManager: the music of a production. Tracks are libsndfile streams
// summed by the platform-neutral mixer; the output is either an SDL2 device
// (real time; silent, clock-paced output when no device opens) or the pulled,
// fixed-step output the frame loop drives. CreateAudioManager is the one place
// the platform demo system makes it. It draws nothing and reads no script.
#pragma once
#include "audio/AudioManager.h"

#include <memory>
#include <string>
#include <vector>

class CAudioMixer;
class CAudioOutput;
class CAudioStream;
class CResource;
class CPulledAudioOutput;
class CStreamFeeder;

enum class AudioOutput {
    Device, // real time through SDL2; silent real-time output when no device opens
    Pulled, // fixed step: AdvanceFrame(dt) mixes exactly dt of music (headless, tests, video)
};

class CSDLAudioManager : public CAudioManager {
public:
    explicit CSDLAudioManager(AudioOutput output);
    ~CSDLAudioManager() override;

    bool Init() override;
    bool Shutdown() override;
    CResource* LoadTrack(std::string name, std::string path) override;
    bool PlayTrack(CResource* track) override;
    float GetPosition() override;
    void SetPosition(float seconds) override;
    void AdvanceFrame(float dt) override;
    void GetHeardMix(float* mono, int count) override;
    void BeginFastForward() override;
    void EndFastForward() override;
    void FastForwardLeft(double seconds) override;
    void SetPaused(bool paused) override;

    // The fixed-step output, for a consumer of the mixed samples (null for Device).
    CPulledAudioOutput* GetPulledOutput() const;
    // True when Device mode found no device and plays silently in real time.
    bool IsSilentFallback() const { return m_bSilentFallback; }
    // Position of the current track as a double, for callers that need every bit.
    double GetPositionSeconds() const;

private:
    AudioOutput m_Kind;
    std::unique_ptr<CAudioMixer> m_pMixer;
    std::unique_ptr<CAudioOutput> m_pOutput;
    std::unique_ptr<CStreamFeeder> m_pFeeder;
    std::shared_ptr<CAudioStream> m_pCurrent; // the stream of the track last started
    std::vector<std::unique_ptr<CResource>> m_Orphans; // tracks loaded with no demo system to own them
    // Keeps the fixed-step count while a real-time output fast-forwards.
    std::unique_ptr<CPulledAudioOutput> m_pSkipper;
    bool m_bFastForward = false;
    bool m_bPaused = false;
    bool m_bSilentFallback = false;
    bool m_bStarted = false;
};

// The audio manager of a platform demo system.
std::unique_ptr<CSDLAudioManager> CreateAudioManager(AudioOutput output);
