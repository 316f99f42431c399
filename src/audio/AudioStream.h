// CAudioStream: one playing music file. A producer side decodes and resamples
// into a bounded ring of mix-rate frames (on the decode thread, or on the frame
// thread in fixed-step runs); a consumer side, the mixer, takes frames from the
// ring and keeps the play position. The position is counted in mix frames and
// holds at the end of the file. The stream never holds the whole file, and
// knows nothing about outputs or devices.
#pragma once
#include "audio/AudioDecoder.h"
#include "audio/Resampler.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CAudioStream {
public:
    // Frames of decoded music kept ready per stream (about 0.74 s).
    static constexpr int kRingFrames = 32768;

    // Null, with the reason in error, when the file does not open as audio.
    static std::shared_ptr<CAudioStream> Open(const std::string& path, std::string& error);

    CAudioStream(const CAudioStream&) = delete;
    CAudioStream& operator=(const CAudioStream&) = delete;

    // Producer: decodes until at least ahead frames (at most the ring) wait past
    // the play position, or the file has ended.
    void Fill(int ahead);

    // Consumer: adds the next frames to out (2 floats each); mixerFrame is the
    // mixer's count of frames before out[0]. When the decoder has fallen behind,
    // the missing frames are silence but the position moves on: music keeps time.
    void MixInto(float* out, int frames, int64_t mixerFrame);
    // Consumer, fast-forwarding: moves on by frames exactly as MixInto would,
    // without the music. False when the file's end may lie within reach and is
    // not yet known: only decoding finds it there, so the caller mixes instead.
    bool Skip(int frames, int64_t mixerFrame);

    // Control, from the frame thread.
    void Start();            // plays from the current position; no effect while playing
    void Seek(int64_t frame); // clamped to the file; playing continues from there
    bool IsPlaying() const;

    // Position, in mix frames, of the sound heard when the mixer's output reaches
    // heardMixerFrame: never before the last start or seek, never past what was mixed.
    int64_t GetHeardFrame(int64_t heardMixerFrame) const;
    // The same in seconds; at the end this is the file's exact length.
    double GetHeardSeconds(int64_t heardMixerFrame) const;
    // The end in mix frames once the decoder has found it, else -1.
    int64_t GetEndFrame() const;

private:
    void AdvanceRead(int frames, int take); // the ring lock held
    explicit CAudioStream(std::unique_ptr<CAudioDecoder> decoder);
    void RestartProducer(int64_t frame); // needs the decode lock
    int Produce(float* out, int frames);  // needs the decode lock

    // Producer state, under m_DecodeLock (taken before m_RingLock).
    std::mutex m_DecodeLock;
    std::unique_ptr<CAudioDecoder> m_pDecoder;
    CResampler m_Resampler;
    int64_t m_nWriteFrame = 0;  // mix frame of the next produced frame
    int64_t m_nSourceFrame = 0; // source frame the decoder reads next
    bool m_bSourceEnded = false;
    bool m_bSeekFailed = false;
    bool m_bProducerDone = false;
    std::vector<float> m_DecodeBuf;
    std::vector<float> m_ProduceBuf;
    int64_t m_nDeclaredEnd = -1; // from the file header, for clamping seeks

    // Consumer state and the ring, under m_RingLock.
    mutable std::mutex m_RingLock;
    std::vector<float> m_Ring;
    int m_nRingHead = 0;
    int m_nRingCount = 0;
    int64_t m_nReadFrame = 0;    // mix frame of the ring's first frame: the play position
    int64_t m_nEndFrame = -1;    // where this run of the producer ended, -1 while unknown
    int64_t m_nTrueEnd = -1;     // the file's end, found by reading to it
    double m_dEndSeconds = 0.0;  // length of the file at its own rate, once the end is known
    bool m_bPlaying = false;
    int64_t m_nAnchorFrame = 0;  // position at the last start or seek
    int64_t m_nAnchorMixer = -1; // mixer frame where that position was first mixed; -1 until then
};
