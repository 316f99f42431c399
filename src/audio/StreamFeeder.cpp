// Periodic decode-ahead.
#include "audio/StreamFeeder.h"

#include "audio/AudioMixer.h"

#include <chrono>
#include <system_error>

namespace {
// A ring holds about 0.74 s, so waking every 10 ms leaves a wide margin.
constexpr auto kPeriod = std::chrono::milliseconds(10);
} // namespace

bool CStreamFeeder::Start(std::string& error)
{
    if (m_Thread.joinable())
        return true;
    m_bStop = false;
    try {
        m_Thread = std::thread(&CStreamFeeder::Run, this);
    } catch (const std::system_error& e) {
        error = e.what();
        return false;
    }
    return true;
}

void CStreamFeeder::Stop()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

void CStreamFeeder::Run()
{
    std::unique_lock lock(m_Lock);
    while (!m_bStop) {
        lock.unlock();
        m_Mixer.FillAhead();
        lock.lock();
        m_Wake.wait_for(lock, kPeriod, [this] { return m_bStop; });
    }
}
