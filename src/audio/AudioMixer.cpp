// Stream list and summing.
#include "audio/AudioMixer.h"

#include "audio/AudioStream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {
// Pulled mixing goes in pieces no larger than a stream's ring holds.
constexpr int kPulledChunk = 4096;
} // namespace

void CAudioMixer::Play(const std::shared_ptr<CAudioStream>& stream)
{
    std::lock_guard lock(m_Lock);
    stream->Start();
    if (std::find(m_Streams.begin(), m_Streams.end(), stream) == m_Streams.end())
        m_Streams.push_back(stream);
}

void CAudioMixer::Clear()
{
    std::vector<std::shared_ptr<CAudioStream>> old;
    {
        std::lock_guard lock(m_Lock);
        old.swap(m_Streams);
    }
    // Streams close outside the lock.
}

void CAudioMixer::Mix(float* out, int frames)
{
    std::memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(float));
    std::lock_guard lock(m_Lock);
    if (m_bHeld.load(std::memory_order_relaxed))
        return;
    const int64_t at = m_nMixed.load(std::memory_order_relaxed);
    for (const auto& stream : m_Streams)
        stream->MixInto(out, frames, at);
    {
        std::lock_guard history(m_HistoryLock);
        size_t slot = static_cast<size_t>(at % kHistoryFrames);
        for (int i = 0; i < frames; ++i) {
            m_History[slot] = 0.5f * (out[2 * i] + out[2 * i + 1]);
            if (++slot == kHistoryFrames)
                slot = 0;
        }
        m_nMixed.store(at + frames, std::memory_order_release);
    }
}

void CAudioMixer::CopyRecentMono(int64_t endFrame, float* mono, int count)
{
    std::lock_guard history(m_HistoryLock);
    const int64_t mixed = m_nMixed.load(std::memory_order_relaxed);
    const int64_t oldest = std::max<int64_t>(0, mixed - kHistoryFrames);
    for (int i = 0; i < count; ++i) {
        const int64_t frame = endFrame - count + i;
        mono[i] = frame >= oldest && frame < mixed ? m_History[static_cast<size_t>(frame % kHistoryFrames)] : 0.0f;
    }
}

void CAudioMixer::MixPulled(float* out, int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, kPulledChunk);
        for (const auto& stream : Snapshot())
            stream->Fill(n);
        Mix(out, n);
        out += static_cast<ptrdiff_t>(n) * 2;
        frames -= n;
    }
}

void CAudioMixer::FillAhead()
{
    if (m_bHeld.load(std::memory_order_relaxed))
        return;
    for (const auto& stream : Snapshot())
        stream->Fill(CAudioStream::kRingFrames);
}

void CAudioMixer::Skip(int64_t frames)
{
    std::vector<float> scratch;
    while (frames > 0) {
        const int n = static_cast<int>(std::min<int64_t>(frames, kPulledChunk));
        const int64_t at = m_nMixed.load(std::memory_order_relaxed);
        for (const auto& stream : Snapshot()) {
            if (stream->Skip(n, at))
                continue;
            stream->Fill(n);
            scratch.assign(static_cast<size_t>(n) * 2, 0.0f);
            stream->MixInto(scratch.data(), n, at);
        }
        m_nMixed.store(at + n, std::memory_order_release);
        frames -= n;
    }
}

void CAudioMixer::SetHeld(bool held)
{
    // Under the lock: once this returns, no Mix is half way through.
    std::lock_guard lock(m_Lock);
    m_bHeld.store(held, std::memory_order_relaxed);
}

std::vector<std::shared_ptr<CAudioStream>> CAudioMixer::Snapshot()
{
    std::lock_guard lock(m_Lock);
    return m_Streams;
}
