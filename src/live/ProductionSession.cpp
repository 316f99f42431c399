// Frames, fast-forward and replays of one production.
#include "live/ProductionSession.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "audio/AudioManager.h"
#include "render/Renderer.h"

namespace {
// Frames between two looks at the interrupt during a fast-forward.
constexpr long kInterruptEvery = 32;

// A replay runs again what already ran: its problems were said then and count
// once. Only a replay of changed files has new ones to say.
class ReplayReports {
public:
    explicit ReplayReports(bool report) : m_bWas(diag::IsEnabled())
    {
        diag::ResetCount();
        if (!report)
            diag::SetEnabled(false);
    }
    ~ReplayReports() { diag::SetEnabled(m_bWas); }
    ReplayReports(const ReplayReports&) = delete;
    ReplayReports& operator=(const ReplayReports&) = delete;

private:
    bool m_bWas;
};
} // namespace

CProductionSession::CProductionSession(Factory factory, int fps, bool fixedStep)
    : m_Factory(std::move(factory)), m_nFps(fps > 0 ? fps : 60), m_bFixedStep(fixedStep)
{
}

CProductionSession::~CProductionSession() = default;

bool CProductionSession::Start()
{
    return Rebuild();
}

bool CProductionSession::Rebuild()
{
    // One demo system at a time: the old one goes before the new one is made.
    if (m_pDemo && m_BeforeReplay)
        m_BeforeReplay();
    m_pDemo.reset();
    m_History.ForgetTargets();
    m_nNext = 0;
    m_bEnded = false;
    m_pDemo = m_Factory ? m_Factory() : nullptr;
    if (!m_pDemo)
        return false;
    m_pDemo->m_pRenderer->SetTargetHistory(&m_History);
    if (m_OnReplay)
        m_OnReplay(*m_pDemo);
    return true;
}

FrameResult CProductionSession::Step(float dt, bool draw, bool show)
{
    CRenderer& renderer = *m_pDemo->m_pRenderer;
    renderer.SetDrawMode(!draw ? DrawMode::Skip : show ? DrawMode::Full : DrawMode::Offscreen);
    m_History.BeginFrame(m_nNext, draw);
    const FrameResult result = ::RunFrame(*m_pDemo, dt);
    m_History.EndFrame();
    renderer.SetDrawMode(DrawMode::Full);
    ++m_nNext;
    if (result.ended)
        m_bEnded = true;
    return result;
}

FrameResult CProductionSession::RunFrame(float dt)
{
    if (!m_pDemo) {
        FrameResult none;
        none.ended = true;
        return none;
    }
    const long index = m_nNext;
    const float startTime = m_pDemo->m_fGlobalTime;
    FrameResult result = Step(dt, true, true);
    // In real time only the first frame after a jump is repaired: the frames after
    // it were never repeatable, and their targets are current anyway.
    if (m_History.FrameWasStale() && (m_bFixedStep || m_bJustForwarded)) {
        const std::set<long> needed = m_History.FramesNeededBy(index);
        m_Needed.insert(needed.begin(), needed.end());
        ++m_nRepairs;
        const bool replayed = m_bFixedStep ? ReplayTo(index) : ReplayToTime(startTime);
        if (replayed && !m_bEnded) {
            result = Step(dt, true, true);
            if (m_History.FrameWasStale())
                diag::Report("frame " + std::to_string(m_nNext - 1) +
                             " reads an effect target that fast-forward could not bring up to date");
        }
    }
    m_bJustForwarded = false;
    return result;
}

FrameResult CProductionSession::RunUndrawn(float dt)
{
    if (!m_pDemo) {
        FrameResult none;
        none.ended = true;
        return none;
    }
    return Step(dt, false, false);
}

void CProductionSession::Redraw()
{
    if (!m_pDemo)
        return;
    CRenderer& renderer = *m_pDemo->m_pRenderer;
    // Not a frame of the timeline: the history keeps what the last frame left.
    renderer.SetTargetHistory(nullptr);
    renderer.Update(0.0f);
    renderer.BeginScene();
    renderer.Clear(0.0f, 0.0f, 0.0f);
    renderer.RenderScene();
    renderer.EndScene();
    renderer.Present();
    renderer.SetTargetHistory(&m_History);
}

bool CProductionSession::Forward(const std::function<bool()>& done, long target)
{
    if (!m_pDemo || m_bEnded)
        return false;
    CAudioManager* audio = m_pDemo->m_pAudio.get();
    if (audio)
        audio->BeginFastForward();
    bool interrupted = false;
    const float dt = StepSeconds();
    long run = 0;
    while (!done() && !m_bEnded) {
        if (audio && target >= 0)
            audio->FastForwardLeft(static_cast<double>(target - m_nNext) * dt);
        const bool draw = m_Needed.count(m_nNext) != 0;
        Step(dt, draw, false);
        if (draw)
            ++m_nDrawnAhead;
        if (m_Interrupt && ++run % kInterruptEvery == 0 && m_Interrupt()) {
            interrupted = true;
            break;
        }
    }
    if (audio)
        audio->EndFastForward();
    m_bJustForwarded = true;
    return !m_bEnded && !interrupted;
}

bool CProductionSession::FastForwardTo(long frame)
{
    return Forward([&] { return m_nNext >= frame; }, frame);
}

bool CProductionSession::FastForwardToTime(double seconds)
{
    return Forward([&] { return static_cast<double>(m_pDemo->m_fGlobalTime) >= seconds; });
}

bool CProductionSession::ReplayTo(long frame, bool report)
{
    ReplayReports reports(report);
    if (!Rebuild())
        return false;
    return frame <= 0 || FastForwardTo(frame) || m_bEnded;
}

bool CProductionSession::ReplayToTime(double seconds, bool report)
{
    ReplayReports reports(report);
    if (!Rebuild())
        return false;
    return seconds <= 0.0 || FastForwardToTime(seconds) || m_bEnded;
}

void CProductionSession::ForgetNeeds()
{
    m_Needed.clear();
    m_History.Clear();
}
