// CResampler: streaming rate conversion of interleaved float stereo with a
// Kaiser-windowed sinc filter. Output frame k sits exactly at source time
// k * src / dst (integer phase arithmetic, so long runs never drift). Rate
// ratios with few distinct phases use an exact polyphase table; others
// interpolate between 1024 phases. It neither reads files nor knows about mixing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CResampler {
public:
    CResampler(int srcRate, int dstRate);

    bool IsIdentity() const { return m_nSrc == m_nDst; }

    // Forgets all input and continues at output frame outFrame. Returns the
    // source frame the next Push must start at.
    int64_t Restart(int64_t outFrame);
    // Appends source frames (2 floats each).
    void Push(const float* frames, int count);
    // The source has ended after everything pushed so far.
    void Finish();
    // Writes up to maxFrames output frames; returns how many were ready.
    int Pull(float* out, int maxFrames);

    // Source frames held but not yet fully used; the caller keeps this bounded.
    int GetBufferedFrames() const { return m_nBufFrames; }
    // Finished, and every output frame of the source has been pulled.
    bool IsDrained() const { return m_bFinished && m_nOut >= m_nOutEnd; }

private:
    float* Row(int phase) { return &m_Table[static_cast<size_t>(phase) * static_cast<size_t>(m_nTaps)]; }
    void Compact();

    int m_nSrc;
    int m_nDst;
    int m_nHalf = 0;   // taps on each side of the output time
    int m_nTaps = 0;
    int m_nPhases = 0;
    bool m_bExactPhases = false;
    std::vector<float> m_Table; // (phases + 1) rows of taps

    std::vector<float> m_Buf; // source frames from m_nBufStart on
    int64_t m_nBufStart = 0;
    int m_nBufFrames = 0;
    int64_t m_nOut = 0; // next output frame
    bool m_bFinished = false;
    int64_t m_nOutEnd = 0; // output frames the whole source yields, once finished
};
