// CInterruptFlag: turns Ctrl-C (SIGINT) and SIGTERM into a flag the frame loop
// polls, so a render stops between frames and closes its file properly. The
// handler only stores to a lock-free atomic; it does nothing else. It resets
// itself, so a second Ctrl-C ends a player that has stopped responding.
#pragma once
#include <csignal>

class CInterruptFlag {
public:
    CInterruptFlag();  // installs the handlers and clears the flag
    ~CInterruptFlag(); // puts back the handlers that were there before
    CInterruptFlag(const CInterruptFlag&) = delete;
    CInterruptFlag& operator=(const CInterruptFlag&) = delete;

    // True once a signal came after installation.
    static bool IsRaised();
    static void Clear();

private:
    struct sigaction m_PrevInt {};
    struct sigaction m_PrevTerm {};
};
