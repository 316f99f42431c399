// CAudioMixer: sums the playing streams into the mix format and counts the
// frames it has made, which is the clock outputs report their position on.
// Real-time outputs call Mix from their own thread while a decode thread calls
// FillAhead; fixed-step outputs call MixPulled, which decodes first. It opens
// no device and starts no thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CAudioStream;

class CAudioMixer {
public:
    // Starts the stream (no effect when it plays already) and mixes it from now on.
    void Play(const std::shared_ptr<CAudioStream>& stream);
    // Forgets every stream; used at shutdown.
    void Clear();

    // Overwrites out with the next frames (2 floats each). Takes only short locks
    // and never decodes: cheap enough for a device callback.
    void Mix(float* out, int frames);
    // The same for fixed-step outputs: decodes what the frames need first, on the caller's thread.
    void MixPulled(float* out, int frames);
    // Keeps every playing stream's ring full (the decode thread's work).
    void FillAhead();
    // Moves every stream and the frame count on as MixPulled would, decoding
    // only where a stream's end is near (fast-forward).
    void Skip(int64_t frames);
    // Held, Mix writes silence and moves nothing, and nothing is decoded ahead:
    // a real-time output paused, or standing by while the frame loop fast-forwards.
    void SetHeld(bool held);
    std::vector<std::shared_ptr<CAudioStream>> Streams() { return Snapshot(); }

    // Frames mixed since the start.
    int64_t GetMixedFrames() const { return m_nMixed.load(std::memory_order_acquire); }
    // The mono mix ((left + right) / 2) of the count frames before endFrame, oldest
    // first; frames not mixed yet, or mixed too long ago to be kept, read 0.
    void CopyRecentMono(int64_t endFrame, float* mono, int count);

    // Mono frames kept for CopyRecentMono: covers an analysis window plus any device latency.
    static constexpr int kHistoryFrames = 16384;

private:
    std::vector<std::shared_ptr<CAudioStream>> Snapshot();

    std::mutex m_Lock; // the stream list; held through a whole Mix
    std::vector<std::shared_ptr<CAudioStream>> m_Streams;
    std::atomic<int64_t> m_nMixed{0};
    std::mutex m_HistoryLock; // never held while m_Lock is wanted
    std::vector<float> m_History = std::vector<float>(kHistoryFrames, 0.0f);
    std::atomic<bool> m_bHeld{false};
};
