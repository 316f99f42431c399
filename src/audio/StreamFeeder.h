// CStreamFeeder: the decode thread of real-time playback. It keeps each playing
// stream's ring full, so the output's thread only copies and sums. Fixed-step
// runs need no feeder: they decode on the frame thread.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class CAudioMixer;

class CStreamFeeder {
public:
    explicit CStreamFeeder(CAudioMixer& mixer) : m_Mixer(mixer) {}
    ~CStreamFeeder() { Stop(); }
    CStreamFeeder(const CStreamFeeder&) = delete;
    CStreamFeeder& operator=(const CStreamFeeder&) = delete;

    bool Start(std::string& error);
    void Stop();

private:
    void Run();

    CAudioMixer& m_Mixer;
    std::thread m_Thread;
    std::mutex m_Lock;
    std::condition_variable m_Wake;
    bool m_bStop = false;
};
