// Child processes on pipes, through posix_spawn and poll.
#include "app/farm/ChildProcess.h"

#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

CChildProcess::~CChildProcess()
{
    if (m_Pid > 0 && m_nStatus < 0) {
        Signal(SIGTERM);
        Wait();
    }
    for (int fd : {m_OutFd, m_ErrFd})
        if (fd >= 0)
            ::close(fd);
}

bool CChildProcess::Start(const std::vector<std::string>& argv, std::string& error)
{
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // The child starts with no signal blocked and Ctrl-C and SIGTERM at their defaults, so it
    // stops when told even if this process was started with them blocked or ignored.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int spawned = ::posix_spawn(&m_Pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    m_OutFd = out[0];
    m_ErrFd = err[0];
    if (spawned != 0) {
        error = "cannot start " + argv[0] + ": " + std::strerror(spawned);
        m_Pid = -1;
        m_nStatus = 127;
        return false;
    }
    return true;
}

void CChildProcess::ReadFrom(int& fd, std::string& into)
{
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n > 0) {
        into.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        ::close(fd);
        fd = -1;
    }
}

void CChildProcess::Poll(const std::vector<CChildProcess*>& children, int waitMs)
{
    std::vector<pollfd> fds;
    std::vector<std::pair<CChildProcess*, bool>> owners; // child, stdout
    for (CChildProcess* c : children) {
        if (c->m_OutFd >= 0) {
            fds.push_back({c->m_OutFd, POLLIN, 0});
            owners.emplace_back(c, true);
        }
        if (c->m_ErrFd >= 0) {
            fds.push_back({c->m_ErrFd, POLLIN, 0});
            owners.emplace_back(c, false);
        }
    }
    if (fds.empty()) {
        ::poll(nullptr, 0, waitMs);
        return;
    }
    if (::poll(fds.data(), fds.size(), waitMs) <= 0)
        return;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        CChildProcess* c = owners[i].first;
        if (owners[i].second)
            c->ReadFrom(c->m_OutFd, c->m_Out);
        else
            c->ReadFrom(c->m_ErrFd, c->m_Err);
    }
}

namespace {
std::vector<std::string> LinesAfter(const std::string& text, size_t& taken)
{
    std::vector<std::string> lines;
    size_t end;
    while ((end = text.find('\n', taken)) != std::string::npos) {
        lines.push_back(text.substr(taken, end - taken));
        taken = end + 1;
    }
    return lines;
}
} // namespace

std::vector<std::string> CChildProcess::TakeLines() { return LinesAfter(m_Out, m_nLinesTaken); }

std::vector<std::string> CChildProcess::TakeErrorLines() { return LinesAfter(m_Err, m_nErrorLinesTaken); }

std::string CChildProcess::LastErrorLine() const
{
    size_t end = m_Err.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return {};
    const size_t start = m_Err.find_last_of('\n', end);
    std::string line = m_Err.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start == std::string::npos ? 0 : start + 1));
    // The child's own "marrowlight: " is the parent's to say.
    const std::string prefix = "marrowlight: ";
    if (line.rfind(prefix, 0) == 0)
        line.erase(0, prefix.size());
    return line;
}

void CChildProcess::Reap(bool block)
{
    if (m_Pid <= 0 || m_nStatus >= 0)
        return;
    int status = 0;
    pid_t r;
    do
        r = ::waitpid(m_Pid, &status, block ? 0 : WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r != m_Pid)
        return;
    m_nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool CChildProcess::Finished()
{
    if (m_OutFd >= 0 || m_ErrFd >= 0)
        return false;
    Reap(false);
    return m_nStatus >= 0;
}

void CChildProcess::Signal(int signal)
{
    if (m_Pid > 0 && m_nStatus < 0)
        ::kill(m_Pid, signal);
}

void CChildProcess::Wait()
{
    while (m_OutFd >= 0 || m_ErrFd >= 0)
        Poll({this}, 100);
    Reap(true);
}
