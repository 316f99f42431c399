// Pause, seeks, restart and looping of a production in a window.
#include "live/LiveControl.h"

#include "app/DemoSystem.h"
#include "audio/AudioManager.h"
#include "live/ProductionSession.h"

#include <algorithm>
#include <utility>

namespace {
struct Seek {
    PlayerKey key;
    double seconds;
};
constexpr Seek kSeeks[] = {
    {PlayerKey::Back1, -1.0},
    {PlayerKey::Forward1, 1.0},
    {PlayerKey::Back10, -10.0},
    {PlayerKey::Forward10, 10.0},
};
} // namespace

double CLiveControl::Now() const
{
    return m_Session.HasDemo() ? static_cast<double>(m_Session.Demo().m_fGlobalTime) : 0.0;
}

void CLiveControl::ApplyPause()
{
    if (m_Session.HasDemo() && m_Session.Demo().m_pAudio)
        m_Session.Demo().m_pAudio->SetPaused(m_bPaused);
}

void CLiveControl::Press(PlayerKey key)
{
    for (const Seek& s : kSeeks)
        if (s.key == key) {
            SeekTo(std::max(0.0, Now() + s.seconds));
            return;
        }
    switch (key) {
    case PlayerKey::Pause:
        m_bPaused = !m_bPaused;
        ApplyPause();
        m_bJumped = true;
        break;
    case PlayerKey::Restart:
        SeekTo(0.0);
        break;
    case PlayerKey::LoopStart:
        m_fLoopFrom = Now();
        if (m_fLoopTo <= m_fLoopFrom)
            m_fLoopTo = -1.0;
        break;
    case PlayerKey::LoopEnd:
        m_fLoopTo = Now();
        if (m_fLoopFrom < 0.0 || m_fLoopFrom >= m_fLoopTo)
            m_fLoopFrom = 0.0;
        break;
    case PlayerKey::LoopToggle:
        // Without both marks there is nothing to loop.
        m_bLooping = !m_bLooping && m_fLoopFrom >= 0.0 && m_fLoopTo > m_fLoopFrom;
        break;
    case PlayerKey::Overlay:
        m_bOverlay = !m_bOverlay;
        break;
    case PlayerKey::Screenshot:
        m_bScreenshot = true;
        break;
    default:
        break;
    }
}

void CLiveControl::SetLoop(double from, double to)
{
    m_fLoopFrom = from;
    m_fLoopTo = to;
    m_bLooping = to > from && from >= 0.0;
}

void CLiveControl::AfterFrame()
{
    if (m_bLooping && !m_bPaused && Now() >= m_fLoopTo)
        SeekTo(m_fLoopFrom);
}

void CLiveControl::SeekTo(double seconds)
{
    if (!m_Session.HasDemo())
        return;
    const double now = Now();
    if (seconds > now) {
        // Past "exitdemo" there is nothing to show: stay where the author was.
        if (!m_Session.FastForwardToTime(seconds) && m_Session.Ended())
            m_Session.ReplayToTime(now);
    } else {
        m_Session.ReplayToTime(seconds);
    }
    ApplyPause();
    if (m_bPaused)
        m_Session.Redraw();
    m_bJumped = true;
}

bool CLiveControl::TakeJumped()
{
    return std::exchange(m_bJumped, false);
}

bool CLiveControl::TakeScreenshot()
{
    return std::exchange(m_bScreenshot, false);
}
