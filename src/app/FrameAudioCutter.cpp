// Per-frame cutting of the mixed music.
#include "app/FrameAudioCutter.h"

#include <algorithm>

void CFrameAudioCutter::Add(const float* samples, size_t frames)
{
    if (samples && frames > 0)
        m_Pending.insert(m_Pending.end(), samples, samples + frames * static_cast<size_t>(m_nChannels));
}

void CFrameAudioCutter::AddSilence(size_t frames)
{
    m_Pending.insert(m_Pending.end(), frames * static_cast<size_t>(m_nChannels), 0.0f);
}

void CFrameAudioCutter::Cut(size_t frames, std::vector<float>& out)
{
    const size_t wanted = frames * static_cast<size_t>(m_nChannels);
    const size_t have = std::min(wanted, m_Pending.size());
    out.assign(m_Pending.begin(), m_Pending.begin() + static_cast<std::ptrdiff_t>(have));
    m_Pending.erase(m_Pending.begin(), m_Pending.begin() + static_cast<std::ptrdiff_t>(have));
    if (have < wanted) {
        out.resize(wanted, 0.0f);
        m_nPadded += static_cast<int64_t>((wanted - have) / static_cast<size_t>(m_nChannels));
    }
}
