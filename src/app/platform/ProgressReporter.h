// CProgressReporter: one line of render progress on stderr (frame, movie time,
// frames per second, time left when the length is known), redrawn in place a
// few times a second. Silent unless stderr is a terminal, so logs and tests
// stay clean. It reports; it never paces or stops the render.
#pragma once
#include <chrono>
#include <cstdio>
#include <string>

class CProgressReporter {
public:
    // totalFrames < 0: the end is not known, no time left is shown.
    CProgressReporter(int fps, long totalFrames, std::FILE* out = stderr);

    // framesDone frames are finished; redraws when enough time has passed.
    void Update(long framesDone);
    // Draws the final figures and ends the line; nothing if nothing was ever drawn.
    void Finish(long framesDone);

    bool IsEnabled() const { return m_bEnabled; }
    void SetEnabled(bool enabled) { m_bEnabled = enabled; }

    static std::string FormatLine(long framesDone, long totalFrames, int fps, double elapsedSeconds);

private:
    using Clock = std::chrono::steady_clock;
    void Draw(long framesDone);

    int m_nFps;
    long m_nTotal;
    std::FILE* m_pOut;
    bool m_bEnabled;
    bool m_bDrawn = false;
    size_t m_nLastLength = 0;
    Clock::time_point m_Start;
    Clock::time_point m_LastDraw;
};
