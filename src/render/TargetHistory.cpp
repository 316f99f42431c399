// Target writes and reads across frames, and the frames a picture depends on.
#include "render/TargetHistory.h"

#include <algorithm>

void CTargetHistory::ForgetTargets()
{
    m_Targets.clear();
    m_WrittenNow.clear();
}

void CTargetHistory::Clear()
{
    ForgetTargets();
    m_ReadFrom.clear();
}

void CTargetHistory::BeginFrame(long frame, bool drawn)
{
    m_nFrame = frame;
    m_bDrawn = drawn;
    m_bStale = false;
    m_WrittenNow.clear();
    // A frame run again (a replay) reads what it reads this time.
    m_ReadFrom.erase(frame);
}

void CTargetHistory::Wrote(uint32_t target)
{
    Target& t = m_Targets[target];
    if (t.written != m_nFrame)
        m_WrittenNow.push_back(target);
    t.written = m_nFrame;
}

void CTargetHistory::Read(uint32_t target)
{
    const auto it = m_Targets.find(target);
    // Never written: the content it was made with, the same in every run.
    if (it == m_Targets.end() || it->second.written < 0 || it->second.written == m_nFrame)
        return;
    std::vector<long>& from = m_ReadFrom[m_nFrame];
    if (std::find(from.begin(), from.end(), it->second.written) == from.end())
        from.push_back(it->second.written);
    if (!it->second.current)
        m_bStale = true;
}

void CTargetHistory::EndFrame()
{
    const bool current = m_bDrawn && !m_bStale;
    for (uint32_t target : m_WrittenNow)
        m_Targets[target].current = current;
    m_WrittenNow.clear();
}

std::set<long> CTargetHistory::FramesNeededBy(long frame) const
{
    std::set<long> needed;
    std::vector<long> open{frame};
    while (!open.empty()) {
        const long f = open.back();
        open.pop_back();
        const auto it = m_ReadFrom.find(f);
        if (it == m_ReadFrom.end())
            continue;
        for (long writer : it->second)
            if (needed.insert(writer).second)
                open.push_back(writer);
    }
    return needed;
}
