// Clock-paced mixing into nowhere.
#include "audio/SilentAudioOutput.h"

#include "audio/AudioMixer.h"
#include "audio/MixFormat.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <system_error>
#include <vector>

bool CSilentAudioOutput::Start(std::string& error)
{
    if (m_Thread.joinable())
        return true;
    m_bStop = false;
    try {
        m_Thread = std::thread(&CSilentAudioOutput::Run, this);
    } catch (const std::system_error& e) {
        error = e.what();
        return false;
    }
    return true;
}

void CSilentAudioOutput::Stop()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

int64_t CSilentAudioOutput::GetHeardFrame() const
{
    return m_Mixer.GetMixedFrames();
}

void CSilentAudioOutput::Run()
{
    using Clock = std::chrono::steady_clock;
    constexpr int kChunk = 1024;
    std::vector<float> scratch(static_cast<size_t>(kChunk) * 2);
    const Clock::time_point start = Clock::now();
    const int64_t base = m_Mixer.GetMixedFrames();
    std::unique_lock lock(m_Lock);
    while (!m_bStop) {
        lock.unlock();
        const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        // Integer frame arithmetic on the elapsed time: no drift over a long run.
        const int64_t due = ns / 1000000000 * kMixRate + ns % 1000000000 * kMixRate / 1000000000;
        int64_t behind = base + due - m_Mixer.GetMixedFrames();
        while (behind > 0) {
            const int n = static_cast<int>(std::min<int64_t>(behind, kChunk));
            m_Mixer.Mix(scratch.data(), n);
            behind -= n;
        }
        lock.lock();
        m_Wake.wait_for(lock, std::chrono::milliseconds(5), [this] { return m_bStop; });
    }
}
