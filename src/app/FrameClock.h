// The source of frame times: the real clock (a window, by default) or a fixed
// step of 1/fps (headless, capture, tests), chosen once at start. With the fixed
// step every run of a production is frame-exact and repeatable.
#pragma once
#include <chrono>

class CFrameClock {
public:
    static CFrameClock RealTime();
    static CFrameClock FixedStep(int fps);

    // Reads the counter; the first frame's time is measured from here.
    void Start();
    // Frame time in seconds since the previous call (or Start).
    float Next();
    // The real clock's next frame time starts now: time spent paused or jumping
    // is not a frame's. The fixed step is not affected.
    void Resync();
    // Seconds handed out so far (exact frames / fps for the fixed step).
    double Elapsed() const;
    bool IsFixed() const { return m_nFps > 0; }

private:
    explicit CFrameClock(int fps) : m_nFps(fps) {}

    int m_nFps;
    long m_nFrames = 0;
    double m_fElapsed = 0.0;
    std::chrono::steady_clock::time_point m_Last{};
};
