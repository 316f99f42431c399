// Frame-exact sample counts for fixed-step runs.
#include "audio/PulledAudioOutput.h"

#include "audio/AudioMixer.h"
#include "audio/MixFormat.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {
// n when dt is the float nearest 1/n for a whole n (fps-style steps), else 0.
int64_t WholeStepDenominator(float dt)
{
    if (!(dt > 0.0f))
        return 0;
    const double n = std::round(1.0 / static_cast<double>(dt));
    if (n < 1.0 || n > 1.0e6)
        return 0;
    return static_cast<float>(1.0 / n) == dt ? static_cast<int64_t>(n) : 0;
}
} // namespace

int64_t CPulledAudioOutput::GetHeardFrame() const
{
    return m_Mixer.GetMixedFrames();
}

int64_t CPulledAudioOutput::FramesForStep(float dt)
{
    if (!(dt > 0.0f) || !std::isfinite(dt))
        return 0;
    const int64_t den = WholeStepDenominator(dt);
    if (den != m_nStepDen) {
        // A new step size: fold the time so far into the base.
        if (m_nStepDen > 0)
            m_dBase += static_cast<double>(m_nStepCount) / static_cast<double>(m_nStepDen);
        m_nStepDen = den;
        m_nStepCount = 0;
    }
    int64_t total = 0;
    if (den > 0) {
        ++m_nStepCount;
        if (m_dBase == 0.0) {
            // round(count * 44100 / den) in integers, halves up.
            total = (2 * m_nStepCount * kMixRate + den) / (2 * den);
        } else {
            total = MixSecondsToFrames(m_dBase + static_cast<double>(m_nStepCount) / static_cast<double>(den));
        }
    } else {
        m_dBase += static_cast<double>(dt);
        total = MixSecondsToFrames(m_dBase);
    }
    const int64_t frames = total > m_nEmitted ? total - m_nEmitted : 0;
    m_nEmitted += frames;
    return frames;
}

void CPulledAudioOutput::AdvanceFrame(float dt)
{
    // A very long step is mixed in pieces so memory stays bounded; the last piece is "the last frame".
    constexpr int64_t kPiece = int64_t{kMixRate} * 10;
    int64_t frames = FramesForStep(dt);
    m_Last.clear();
    if (m_bSkip) {
        m_Mixer.Skip(frames);
        return;
    }
    while (frames > 0) {
        const int64_t n = std::min(frames, kPiece);
        m_Last.resize(static_cast<size_t>(n) * 2);
        m_Mixer.MixPulled(m_Last.data(), static_cast<int>(n));
        if (m_bKeep && !m_bUnkept)
            m_Kept.insert(m_Kept.end(), m_Last.begin(), m_Last.end());
        frames -= n;
    }
}

void CPulledAudioOutput::SetKeepSamples(bool keep)
{
    m_bKeep = keep;
    if (!keep)
        m_Kept.clear();
}

size_t CPulledAudioOutput::TakeSamples(std::vector<float>& out)
{
    out.insert(out.end(), m_Kept.begin(), m_Kept.end());
    const size_t frames = m_Kept.size() / 2;
    m_Kept.clear();
    return frames;
}
