// Decode-ahead ring and play position of one music file.
#include "audio/AudioStream.h"

#include "audio/MixFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {
constexpr int kDecodeFrames = 2048;  // source frames read at a time
constexpr int kProduceFrames = 4096; // mix frames made per ring push
} // namespace

std::shared_ptr<CAudioStream> CAudioStream::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<CAudioDecoder> decoder = CAudioDecoder::Open(path, error);
    if (!decoder)
        return nullptr;
    return std::shared_ptr<CAudioStream>(new CAudioStream(std::move(decoder)));
}

CAudioStream::CAudioStream(std::unique_ptr<CAudioDecoder> decoder)
    : m_pDecoder(std::move(decoder)), m_Resampler(m_pDecoder->GetRate(), kMixRate)
{
    m_DecodeBuf.resize(static_cast<size_t>(kDecodeFrames) * 2);
    m_ProduceBuf.resize(static_cast<size_t>(kProduceFrames) * 2);
    m_Ring.resize(static_cast<size_t>(kRingFrames) * 2);
    const int64_t declared = m_pDecoder->GetDeclaredFrames();
    const int rate = m_pDecoder->GetRate();
    if (declared > 0 && declared < INT64_C(1) << 40)
        m_nDeclaredEnd = (declared * kMixRate + rate - 1) / rate;
    std::lock_guard decode(m_DecodeLock);
    RestartProducer(0);
}

void CAudioStream::RestartProducer(int64_t frame)
{
    const int64_t sourceFrame = m_Resampler.Restart(frame);
    m_nWriteFrame = frame;
    m_nSourceFrame = sourceFrame;
    m_bProducerDone = false;
    m_bSeekFailed = !m_pDecoder->Seek(sourceFrame);
    m_bSourceEnded = m_bSeekFailed;
}

int CAudioStream::Produce(float* out, int frames)
{
    int made = 0;
    while (made < frames) {
        const int n = m_Resampler.Pull(out + static_cast<ptrdiff_t>(made) * 2, frames - made);
        made += n;
        if (m_Resampler.IsDrained()) {
            m_bProducerDone = true;
            break;
        }
        if (n > 0)
            continue;
        if (m_bSourceEnded) {
            m_Resampler.Finish();
            continue;
        }
        const int got = m_pDecoder->Read(m_DecodeBuf.data(), kDecodeFrames);
        m_Resampler.Push(m_DecodeBuf.data(), got);
        m_nSourceFrame += got;
        if (got < kDecodeFrames)
            m_bSourceEnded = true;
    }
    return made;
}

void CAudioStream::Fill(int ahead)
{
    ahead = std::min(ahead, kRingFrames);
    std::lock_guard decode(m_DecodeLock);
    for (;;) {
        if (m_bProducerDone)
            return;
        int want = 0;
        int64_t readFrame = 0;
        {
            std::lock_guard ring(m_RingLock);
            readFrame = m_nReadFrame;
            want = std::min(ahead - m_nRingCount, kProduceFrames);
        }
        // Far behind the play position (the decoder was starved): jump rather than decode the gap.
        if (readFrame - m_nWriteFrame > kRingFrames)
            RestartProducer(readFrame);
        if (want <= 0)
            return;
        const int made = Produce(m_ProduceBuf.data(), want);

        std::lock_guard ring(m_RingLock);
        // Frames the consumer already skipped past are dropped.
        const int64_t ringEnd = m_nReadFrame + m_nRingCount;
        const int skip = static_cast<int>(std::clamp<int64_t>(ringEnd - m_nWriteFrame, 0, made));
        for (int i = skip; i < made;) {
            // At most two contiguous pieces: up to the ring's end, then from its start.
            const int slot = (m_nRingHead + m_nRingCount) % kRingFrames;
            const int n = std::min(made - i, kRingFrames - slot);
            std::memcpy(&m_Ring[static_cast<size_t>(slot) * 2], &m_ProduceBuf[static_cast<size_t>(i) * 2],
                        static_cast<size_t>(n) * 2 * sizeof(float));
            m_nRingCount += n;
            i += n;
        }
        m_nWriteFrame += made;
        if (m_bProducerDone) {
            m_nEndFrame = m_nWriteFrame;
            // A failed seek ends only this run; reading to the end finds the file's length.
            if (!m_bSeekFailed) {
                m_nTrueEnd = m_nWriteFrame;
                m_dEndSeconds = static_cast<double>(m_nSourceFrame) / m_pDecoder->GetRate();
            }
            // A consumer that ran past the end (decoder starved) stops there.
            m_nReadFrame = std::min(m_nReadFrame, m_nEndFrame);
            return;
        }
    }
}

void CAudioStream::MixInto(float* out, int frames, int64_t mixerFrame)
{
    std::lock_guard ring(m_RingLock);
    if (!m_bPlaying)
        return;
    if (m_nAnchorMixer < 0)
        m_nAnchorMixer = mixerFrame;
    const int take = std::min(frames, m_nRingCount);
    for (int done = 0; done < take;) {
        const int n = std::min(take - done, kRingFrames - m_nRingHead);
        const float* in = &m_Ring[static_cast<size_t>(m_nRingHead) * 2];
        float* dst = out + static_cast<ptrdiff_t>(done) * 2;
        for (int i = 0; i < 2 * n; ++i)
            dst[i] += in[i];
        m_nRingHead = (m_nRingHead + n) % kRingFrames;
        done += n;
    }
    AdvanceRead(frames, take);
}

// Take frames out of the ring; what it lacked counts as played silence, up to the end.
void CAudioStream::AdvanceRead(int frames, int take)
{
    m_nRingCount -= take;
    m_nReadFrame += take;
    int64_t missing = frames - take;
    if (m_nEndFrame >= 0)
        missing = std::clamp<int64_t>(m_nEndFrame - m_nReadFrame, 0, missing);
    m_nReadFrame += missing;
}

bool CAudioStream::Skip(int frames, int64_t mixerFrame)
{
    std::lock_guard ring(m_RingLock);
    if (!m_bPlaying)
        return true;
    // The header's length is trusted only a ring's length away from it.
    if (m_nEndFrame < 0 && (m_nDeclaredEnd < 0 || m_nReadFrame + frames + kRingFrames >= m_nDeclaredEnd))
        return false;
    if (m_nAnchorMixer < 0)
        m_nAnchorMixer = mixerFrame;
    const int take = std::min(frames, m_nRingCount);
    m_nRingHead = (m_nRingHead + take) % kRingFrames;
    AdvanceRead(frames, take);
    return true;
}

void CAudioStream::Start()
{
    std::lock_guard ring(m_RingLock);
    if (m_bPlaying)
        return;
    m_bPlaying = true;
    m_nAnchorFrame = m_nReadFrame;
    m_nAnchorMixer = -1;
}

void CAudioStream::Seek(int64_t frame)
{
    std::lock_guard decode(m_DecodeLock);
    {
        std::lock_guard ring(m_RingLock);
        const int64_t end = m_nTrueEnd >= 0 ? m_nTrueEnd : m_nDeclaredEnd;
        frame = std::max<int64_t>(frame, 0);
        if (end >= 0)
            frame = std::min(frame, end);
        m_nRingHead = 0;
        m_nRingCount = 0;
        m_nReadFrame = frame;
        m_nEndFrame = m_nTrueEnd;
        m_nAnchorFrame = frame;
        m_nAnchorMixer = -1;
    }
    // The decoder seeks outside the ring lock (an MP3 seek decodes): the output
    // meanwhile plays silence and keeps time, and what it skipped is dropped.
    RestartProducer(frame);
}

bool CAudioStream::IsPlaying() const
{
    std::lock_guard ring(m_RingLock);
    return m_bPlaying;
}

int64_t CAudioStream::GetHeardFrame(int64_t heardMixerFrame) const
{
    std::lock_guard ring(m_RingLock);
    if (!m_bPlaying || m_nAnchorMixer < 0)
        return m_nAnchorFrame;
    return std::clamp(m_nAnchorFrame + (heardMixerFrame - m_nAnchorMixer), m_nAnchorFrame, m_nReadFrame);
}

double CAudioStream::GetHeardSeconds(int64_t heardMixerFrame) const
{
    const int64_t frame = GetHeardFrame(heardMixerFrame);
    std::lock_guard ring(m_RingLock);
    if (m_nTrueEnd >= 0 && frame >= m_nTrueEnd)
        return m_dEndSeconds;
    return MixFramesToSeconds(frame);
}

int64_t CAudioStream::GetEndFrame() const
{
    std::lock_guard ring(m_RingLock);
    return m_nTrueEnd;
}
