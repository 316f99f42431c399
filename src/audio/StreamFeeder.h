// CStreamFeeder: the decode thread of real-time playback. It keeps each playing
// stream's ring full, so the output's thread only copies and sums. Fixed-step
// runs need no feeder: they decode on the frame thread.
#pragma once
#include "audio/PeriodicThread.h"

#include <string>

class CAudioMixer;

class CStreamFeeder {
public:
    explicit CStreamFeeder(CAudioMixer& mixer) : m_Mixer(mixer) {}
    ~CStreamFeeder() { Stop(); }
    CStreamFeeder(const CStreamFeeder&) = delete;
    CStreamFeeder& operator=(const CStreamFeeder&) = delete;

    bool Start(std::string& error);
    void Stop() { m_Thread.Stop(); }

private:
    CAudioMixer& m_Mixer;
    CPeriodicThread m_Thread;
};
