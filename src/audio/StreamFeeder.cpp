// Periodic decode-ahead.
#include "audio/StreamFeeder.h"

#include "audio/AudioMixer.h"

#include <chrono>

namespace {
// A ring holds about 0.74 s, so waking every 10 ms leaves a wide margin.
constexpr auto kPeriod = std::chrono::milliseconds(10);
} // namespace

bool CStreamFeeder::Start(std::string& error)
{
    return m_Thread.Start([this] { m_Mixer.FillAhead(); }, kPeriod, error);
}
