// Windowed-sinc rate conversion with integer phase tracking.
#include "audio/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <numeric>

namespace {
// 32 taps a side at unit ratio; a Kaiser window with beta 8 keeps images and
// aliases about 80 dB down, with the transition band ending at the lower Nyquist.
constexpr int kBaseHalfTaps = 32;
constexpr double kKaiserBeta = 8.0;
constexpr double kCutoff = 0.46; // of the lower rate, in cycles per sample
constexpr int kMaxExactPhases = 4096;
constexpr int kInterpolatedPhases = 1024;

double BesselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 64 && term > sum * 1e-17; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
} // namespace

CResampler::CResampler(int srcRate, int dstRate) : m_nSrc(srcRate), m_nDst(dstRate)
{
    if (IsIdentity())
        return;
    const double ratio = std::min(1.0, static_cast<double>(dstRate) / srcRate);
    m_nHalf = static_cast<int>(std::ceil(kBaseHalfTaps / ratio));
    m_nTaps = 2 * m_nHalf;
    const int distinct = dstRate / std::gcd(srcRate, dstRate);
    m_bExactPhases = distinct <= kMaxExactPhases;
    m_nPhases = m_bExactPhases ? distinct : kInterpolatedPhases;

    const double fc = kCutoff * ratio; // cycles per source sample
    const double i0Beta = BesselI0(kKaiserBeta);
    m_Table.resize(static_cast<size_t>(m_nPhases + 1) * static_cast<size_t>(m_nTaps));
    for (int p = 0; p <= m_nPhases; ++p) {
        const double phi = static_cast<double>(p) / m_nPhases;
        float* row = Row(p);
        double sum = 0.0;
        std::vector<double> c(static_cast<size_t>(m_nTaps));
        for (int j = 0; j < m_nTaps; ++j) {
            // Distance from the output time to source frame (i - half + 1 + j).
            const double d = (m_nHalf - 1 - j) + phi;
            const double x = 2.0 * fc * d;
            const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
            const double u = d / m_nHalf;
            const double w = std::abs(u) >= 1.0 ? 0.0 : BesselI0(kKaiserBeta * std::sqrt(1.0 - u * u)) / i0Beta;
            c[static_cast<size_t>(j)] = sinc * w;
            sum += c[static_cast<size_t>(j)];
        }
        // Unit gain at DC for every phase, so a steady signal carries no phase ripple.
        for (int j = 0; j < m_nTaps; ++j)
            row[j] = static_cast<float>(c[static_cast<size_t>(j)] / sum);
    }
}

int64_t CResampler::Restart(int64_t outFrame)
{
    m_nOut = outFrame;
    m_bFinished = false;
    m_nOutEnd = 0;
    m_Buf.clear();
    m_nBufFrames = 0;
    if (IsIdentity()) {
        m_nBufStart = outFrame;
        return outFrame;
    }
    const int64_t first = FloorDiv(outFrame * m_nSrc, m_nDst) - m_nHalf + 1;
    m_nBufStart = first;
    if (first >= 0)
        return first;
    // Before the start of the file the source is silent.
    m_nBufFrames = static_cast<int>(-first);
    m_Buf.assign(static_cast<size_t>(m_nBufFrames) * 2, 0.0f);
    return 0;
}

void CResampler::Push(const float* frames, int count)
{
    if (count <= 0)
        return;
    m_Buf.insert(m_Buf.end(), frames, frames + static_cast<ptrdiff_t>(count) * 2);
    m_nBufFrames += count;
}

void CResampler::Finish()
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    const int64_t srcEnd = m_nBufStart + m_nBufFrames;
    // Output frame k exists while its time k * src / dst lies before the end.
    m_nOutEnd = FloorDiv(srcEnd * m_nDst + m_nSrc - 1, m_nSrc);
    if (!IsIdentity()) {
        // The filter's right half reads silence past the end.
        m_Buf.resize(m_Buf.size() + static_cast<size_t>(m_nTaps) * 2, 0.0f);
        m_nBufFrames += m_nTaps;
    }
}

int CResampler::Pull(float* out, int maxFrames)
{
    int made = 0;
    if (IsIdentity()) {
        int64_t n = m_nBufStart + m_nBufFrames - m_nOut;
        if (m_bFinished)
            n = std::min(n, m_nOutEnd - m_nOut);
        made = static_cast<int>(std::clamp<int64_t>(n, 0, maxFrames));
        if (made > 0) {
            const size_t at = static_cast<size_t>(m_nOut - m_nBufStart) * 2;
            std::memcpy(out, m_Buf.data() + at, static_cast<size_t>(made) * 2 * sizeof(float));
        }
        m_nOut += made;
        Compact();
        return made;
    }
    const int64_t bufEnd = m_nBufStart + m_nBufFrames;
    while (made < maxFrames) {
        if (m_bFinished && m_nOut >= m_nOutEnd)
            break;
        const int64_t num = m_nOut * m_nSrc;
        const int64_t i = num / m_nDst;
        const int64_t rem = num % m_nDst;
        if (i + m_nHalf >= bufEnd)
            break; // the filter needs more source
        const float* x = m_Buf.data() + static_cast<size_t>(i - m_nHalf + 1 - m_nBufStart) * 2;
        float l = 0.0f;
        float r = 0.0f;
        if (m_bExactPhases) {
            const float* c = Row(static_cast<int>(rem * m_nPhases / m_nDst));
            for (int j = 0; j < m_nTaps; ++j) {
                l += c[j] * x[2 * j];
                r += c[j] * x[2 * j + 1];
            }
        } else {
            const double pos = static_cast<double>(rem) * m_nPhases / m_nDst;
            const int p = static_cast<int>(pos);
            const float t = static_cast<float>(pos - p);
            const float* c0 = Row(p);
            const float* c1 = Row(p + 1);
            for (int j = 0; j < m_nTaps; ++j) {
                const float c = c0[j] + t * (c1[j] - c0[j]);
                l += c * x[2 * j];
                r += c * x[2 * j + 1];
            }
        }
        out[2 * made] = l;
        out[2 * made + 1] = r;
        ++made;
        ++m_nOut;
    }
    Compact();
    return made;
}

void CResampler::Compact()
{
    // Frames before the next output's window are no longer needed.
    const int64_t keepFrom = IsIdentity() ? m_nOut : FloorDiv(m_nOut * m_nSrc, m_nDst) - m_nHalf + 1;
    const int64_t drop = std::clamp<int64_t>(keepFrom - m_nBufStart, 0, m_nBufFrames);
    // Move memory only once a good part of the buffer is dead.
    if (drop == 0 || (drop < 4096 && drop * 2 < m_nBufFrames))
        return;
    m_Buf.erase(m_Buf.begin(), m_Buf.begin() + static_cast<ptrdiff_t>(drop) * 2);
    m_nBufStart += drop;
    m_nBufFrames -= static_cast<int>(drop);
}
