// CAudioManager: the music interface the demo system owns: tracks as named
// resources, playback, and the position of the current track (the music clock).
#pragma once
#include <string>

class CResource;

class CAudioManager {
public:
    virtual ~CAudioManager() = default;
    virtual bool Init() { return true; }
    virtual bool Shutdown() { return true; }
    // The new track (registered unless its name is taken), or null when the file does not open.
    virtual CResource* LoadTrack(std::string name, std::string path) = 0;
    virtual bool PlayTrack(CResource* track) = 0;
    // Seconds of the current track as heard; 0 with no current track.
    virtual float GetPosition() = 0;
    virtual void SetPosition(float seconds) = 0;

    // Called by a fixed-step frame loop on every frame, dt its step (also on a frame
    // whose clocks an unknown keyword held), so a pulled output mixes exactly that
    // much music, as a sound card would play it. Real-time outputs ignore it.
    virtual void AdvanceFrame(float /*dt*/) {}

    // The mono mix of the count frames ending at the one being heard (in a fixed-step
    // run: the last frame mixed), oldest first. Silence without an output.
    virtual void GetHeardMix(float* mono, int count)
    {
        for (int i = 0; i < count; ++i)
            mono[i] = 0.0f;
    }
    // Between these the frame loop fast-forwards: each AdvanceFrame moves the
    // music on by exactly what a fixed-step run would mix, without playing or
    // decoding it; afterwards the music plays on from where it stands.
    virtual void BeginFastForward() {}
    virtual void EndFastForward() {}
    // Said before each fast-forward step when the step-exact end is known: seconds of
    // music still to skip. A fixed-step output mixes the last of them (unheard, not
    // kept) so what looks back at recent music finds it as in a run from the start.
    virtual void FastForwardLeft(double /*seconds*/) {}
    // Paused, a real-time output plays silence and the music clock stands still.
    virtual void SetPaused(bool /*paused*/) {}
};

// No output: every load fails and the music clock stays at 0.
class CNullAudioManager : public CAudioManager {
public:
    CResource* LoadTrack(std::string, std::string) override { return nullptr; }
    bool PlayTrack(CResource*) override { return false; }
    float GetPosition() override { return 0.0f; }
    void SetPosition(float) override {}
};
