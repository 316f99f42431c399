// The protocol on the socket: a 4-byte little-endian length, then a TranslationCodec
// message; one request, one answer. The worker's standard input is the socket; its output
// and error go to /dev/null, and it runs in its own process group, so a terminal's Ctrl-C
// reaches the player only.
#include "render/gl/shader/TranslationWorker.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr uint32_t kMaxMessage = 64u << 20;

using Clock = std::chrono::steady_clock;

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

enum class ReadResult { Ok, Closed, TimedOut };

ReadResult ReceiveAll(int fd, char* data, size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadResult::TimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            return ReadResult::Closed;
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return ReadResult::Closed;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return ReadResult::Ok;
}

StageTranslation Crashed(const TranslationRequest& request, const std::string& why)
{
    StageTranslation t;
    t.outcome = StageTranslation::Outcome::Crashed;
    t.log = request.path + ": error: " + why + "\n";
    return t;
}

} // namespace

std::string FindShaderWorker()
{
    if (const char* set = std::getenv("MARROWLIGHT_SHADER_WORKER"); set && *set)
        return set;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const std::filesystem::path dir = self.parent_path();
    for (const std::filesystem::path& candidate : {dir / "libexec/marrowlight/ml-shader-worker",
                                                   dir.parent_path() / "libexec/marrowlight/ml-shader-worker"}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

CTranslationWorker::CTranslationWorker(std::string executable, std::chrono::milliseconds limit)
    : m_Executable(std::move(executable)), m_Limit(limit)
{
}

CTranslationWorker::~CTranslationWorker()
{
    Stop();
}

bool CTranslationWorker::Start(std::string& error)
{
    if (m_Executable.empty()) {
        error = "the HLSL translator (libexec/marrowlight/ml-shader-worker) is not installed; "
                "MARROWLIGHT_SHADER_WORKER can name it";
        return false;
    }
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        error = std::string("cannot start the HLSL translator: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
    char serve[] = "--serve";
    char* argv[] = {m_Executable.data(), serve, nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, m_Executable.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(sockets[1]);
    if (spawned != 0) {
        ::close(sockets[0]);
        error = "cannot start the HLSL translator " + m_Executable + ": " + std::strerror(spawned);
        return false;
    }
    m_Pid = pid;
    m_Socket = sockets[0];
    ++m_nStarts;
    return true;
}

void CTranslationWorker::Stop()
{
    if (m_Socket >= 0)
        ::close(m_Socket);
    m_Socket = -1;
    if (m_Pid > 0) {
        ::kill(m_Pid, SIGKILL);
        while (::waitpid(m_Pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_Pid = -1;
}

std::string CTranslationWorker::Reap()
{
    if (m_Socket >= 0)
        ::close(m_Socket);
    m_Socket = -1;
    int status = 0;
    pid_t done = -1;
    // The socket closes as the process ends; give it a moment to be gone, then make sure.
    for (int i = 0; i < 200 && (done = ::waitpid(m_Pid, &status, WNOHANG)) == 0; ++i)
        ::usleep(5000);
    if (done == 0) {
        ::kill(m_Pid, SIGKILL);
        done = ::waitpid(m_Pid, &status, 0);
    }
    m_Pid = -1;
    if (done > 0 && WIFSIGNALED(status))
        return "the HLSL translator crashed on this shader (" + std::string(::strsignal(WTERMSIG(status))) + ")";
    if (done > 0 && WIFEXITED(status))
        return "the HLSL translator crashed on this shader (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    return "the HLSL translator crashed on this shader";
}

StageTranslation CTranslationWorker::Translate(const TranslationRequest& request)
{
    std::string error;
    if (m_Pid <= 0 && !Start(error))
        return Crashed(request, error);
    const std::string message = codec::Encode(request);
    if (message.size() > kMaxMessage)
        return Crashed(request, "the shader is too large to translate");
    char length[4];
    for (int i = 0; i < 4; ++i)
        length[i] = static_cast<char>((message.size() >> (8 * i)) & 0xFF);
    if (!SendAll(m_Socket, length, 4) || !SendAll(m_Socket, message.data(), message.size())) {
        // A worker that died idle (killed from outside) is started again once.
        Reap();
        if (!Start(error))
            return Crashed(request, error);
        if (!SendAll(m_Socket, length, 4) || !SendAll(m_Socket, message.data(), message.size()))
            return Crashed(request, Reap());
    }
    const auto deadline = Clock::now() + m_Limit;
    unsigned char header[4];
    ReadResult read = ReceiveAll(m_Socket, reinterpret_cast<char*>(header), 4, deadline);
    std::string answer;
    if (read == ReadResult::Ok) {
        const uint32_t size = header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
        if (size > kMaxMessage) {
            Stop();
            return Crashed(request, "the HLSL translator answered with garbage");
        }
        answer.resize(size);
        read = ReceiveAll(m_Socket, answer.data(), size, deadline);
    }
    if (read == ReadResult::TimedOut) {
        Stop();
        char seconds[32];
        std::snprintf(seconds, sizeof(seconds), "%.1f", static_cast<double>(m_Limit.count()) / 1000.0);
        return Crashed(request, std::string("the HLSL translator took longer than ") + seconds +
                                    " s on this shader and was stopped");
    }
    if (read == ReadResult::Closed)
        return Crashed(request, Reap());
    StageTranslation result;
    if (!codec::Decode(answer, result)) {
        Stop();
        return Crashed(request, "the HLSL translator answered with garbage");
    }
    return result;
}
