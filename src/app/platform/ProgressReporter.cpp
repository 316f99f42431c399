// Render progress line on a terminal.
#include "app/platform/ProgressReporter.h"

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

std::string FormatClock(double seconds, bool hundredths)
{
    char buf[48];
    if (hundredths) {
        const long long cs = std::llround(std::max(seconds, 0.0) * 100);
        std::snprintf(buf, sizeof(buf), "%lld:%02lld.%02lld", cs / 6000, cs / 100 % 60, cs % 100);
        return buf;
    }
    const long long s = std::llround(std::max(seconds, 0.0));
    if (s >= 3600)
        std::snprintf(buf, sizeof(buf), "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof(buf), "%lld:%02lld", s / 60, s % 60);
    return buf;
}
} // namespace

CProgressReporter::CProgressReporter(int fps, long totalFrames, std::FILE* out)
    : m_nFps(fps > 0 ? fps : 1), m_nTotal(totalFrames), m_pOut(out),
      m_bEnabled(out && ::isatty(::fileno(out))), m_Start(Clock::now()), m_LastDraw(m_Start - kRedrawInterval)
{
}

std::string CProgressReporter::FormatLine(long framesDone, long totalFrames, int fps, double elapsedSeconds)
{
    std::string line = "frame " + std::to_string(framesDone);
    if (totalFrames >= 0)
        line += "/" + std::to_string(totalFrames);
    line += "  " + FormatClock(static_cast<double>(framesDone) / (fps > 0 ? fps : 1), true);
    const double rate = elapsedSeconds > 0 ? static_cast<double>(framesDone) / elapsedSeconds : 0.0;
    char buf[32];
    std::snprintf(buf, sizeof(buf), "  %.1f fps", rate);
    line += buf;
    if (totalFrames >= 0 && rate > 0 && framesDone <= totalFrames)
        line += "  " + FormatClock(static_cast<double>(totalFrames - framesDone) / rate, false) + " left";
    return line;
}

void CProgressReporter::Update(long framesDone)
{
    if (!m_bEnabled)
        return;
    const auto now = Clock::now();
    if (now - m_LastDraw < kRedrawInterval)
        return;
    m_LastDraw = now;
    Draw(framesDone);
}

void CProgressReporter::Finish(long framesDone)
{
    if (!m_bEnabled || !m_bDrawn)
        return;
    Draw(framesDone);
    std::fputc('\n', m_pOut);
    std::fflush(m_pOut);
    m_bDrawn = false;
}

void CProgressReporter::Draw(long framesDone)
{
    const double elapsed = std::chrono::duration<double>(Clock::now() - m_Start).count();
    std::string line = FormatLine(framesDone, m_nTotal, m_nFps, elapsed);
    const size_t length = line.size();
    if (length < m_nLastLength)
        line.append(m_nLastLength - length, ' '); // blank out the end of a longer line
    m_nLastLength = length;
    std::fprintf(m_pOut, "\r%s", line.c_str());
    std::fflush(m_pOut);
    m_bDrawn = true;
}
