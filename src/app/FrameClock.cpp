// Real and fixed-step frame clocks.
#include "app/FrameClock.h"

CFrameClock CFrameClock::RealTime() { return CFrameClock(0); }
CFrameClock CFrameClock::FixedStep(int fps) { return CFrameClock(fps > 0 ? fps : 60); }

void CFrameClock::Start()
{
    m_Last = std::chrono::steady_clock::now();
    m_nFrames = 0;
    m_fElapsed = 0.0;
}

float CFrameClock::Next()
{
    ++m_nFrames;
    if (m_nFps > 0)
        return 1.0f / static_cast<float>(m_nFps);
    const auto now = std::chrono::steady_clock::now();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_Last).count();
    m_Last = now;
    // Counter difference and frequency each as float, then divided, as the frame time always was.
    const float dt = static_cast<float>(ticks) / 1.0e9f;
    m_fElapsed += dt;
    return dt;
}

void CFrameClock::Resync()
{
    m_Last = std::chrono::steady_clock::now();
}

double CFrameClock::Elapsed() const
{
    if (m_nFps > 0)
        return static_cast<double>(m_nFrames) / static_cast<double>(m_nFps);
    return m_fElapsed;
}
