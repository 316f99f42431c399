// Clock-paced mixing into nowhere.
#include "audio/SilentAudioOutput.h"

#include "audio/AudioMixer.h"
#include "audio/MixFormat.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

bool CSilentAudioOutput::Start(std::string& error)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kChunk = 1024;
    auto scratch = std::make_shared<std::vector<float>>(static_cast<size_t>(kChunk) * 2);
    const Clock::time_point start = Clock::now();
    const int64_t base = m_Mixer.GetMixedFrames();
    auto pace = [this, scratch, start, base] {
        const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        // Integer frame arithmetic on the elapsed time: no drift over a long run.
        const int64_t due = ns / 1000000000 * kMixRate + ns % 1000000000 * kMixRate / 1000000000;
        int64_t behind = base + due - m_Mixer.GetMixedFrames();
        while (behind > 0) {
            const int n = static_cast<int>(std::min<int64_t>(behind, kChunk));
            m_Mixer.Mix(scratch->data(), n);
            behind -= n;
        }
    };
    return m_Thread.Start(pace, std::chrono::milliseconds(5), error);
}

void CSilentAudioOutput::Stop()
{
    m_Thread.Stop();
}

int64_t CSilentAudioOutput::GetHeardFrame() const
{
    return m_Mixer.GetMixedFrames();
}
