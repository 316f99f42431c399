// CChildProcess: one child of the player, started with its stdout and stderr on
// pipes the parent reads without blocking. It starts, reads, signals and reaps;
// what the output means is the caller's.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess(); // stops a child still running and reaps it
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Runs program with these arguments (argv[0] included); false with error set.
    bool Start(const std::vector<std::string>& argv, std::string& error);

    // Reads what is waiting, at most waitMs milliseconds for anything to come, over all children.
    static void Poll(const std::vector<CChildProcess*>& children, int waitMs);
    // Complete lines read from stdout since the last call.
    std::vector<std::string> TakeLines();
    // Complete lines read from stderr since the last call.
    std::vector<std::string> TakeErrorLines();
    // Everything read from stdout, and the last line the child wrote on stderr.
    const std::string& Output() const { return m_Out; }
    std::string LastErrorLine() const;

    // Both pipes closed and the child reaped: Finished() and its ExitStatus() (128 + signal when killed).
    bool Finished();
    int ExitStatus() const { return m_nStatus; }
    void Signal(int signal);
    // Blocks until the child has ended.
    void Wait();

private:
    void ReadFrom(int& fd, std::string& into);
    void Reap(bool block);

    pid_t m_Pid = -1;
    int m_OutFd = -1;
    int m_ErrFd = -1;
    std::string m_Out;
    std::string m_Err;
    size_t m_nLinesTaken = 0;
    size_t m_nErrorLinesTaken = 0;
    int m_nStatus = -1;
};
