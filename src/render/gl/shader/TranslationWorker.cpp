// The protocol on the socket: a 4-byte little-endian length, then a TranslationCodec
// message; one request, one answer. The worker's standard input is the socket; its output
// and error go to /dev/null, and it runs in its own process group, so a terminal's Ctrl-C
// reaches the player only.
#include "render/gl/shader/TranslationWorker.h"

#include "render/gl/shader/MessageChannel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

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
    if (message.size() > channel::kMaxMessage)
        return Crashed(request, "the shader is too large to translate");
    if (!channel::Send(m_Socket, message)) {
        // A worker that died idle (killed from outside) is started again once.
        Reap();
        if (!Start(error))
            return Crashed(request, error);
        if (!channel::Send(m_Socket, message))
            return Crashed(request, Reap());
    }
    std::string answer;
    const channel::ReadResult read = channel::Receive(m_Socket, answer, std::chrono::steady_clock::now() + m_Limit);
    if (read == channel::ReadResult::TooLarge) {
        Stop();
        return Crashed(request, "the HLSL translator answered with garbage");
    }
    if (read == channel::ReadResult::TimedOut) {
        Stop();
        char seconds[32];
        std::snprintf(seconds, sizeof(seconds), "%.1f", static_cast<double>(m_Limit.count()) / 1000.0);
        return Crashed(request, std::string("the HLSL translator took longer than ") + seconds +
                                    " s on this shader and was stopped");
    }
    if (read == channel::ReadResult::Closed)
        return Crashed(request, Reap());
    StageTranslation result;
    if (!codec::Decode(answer, result)) {
        Stop();
        return Crashed(request, "the HLSL translator answered with garbage");
    }
    return result;
}
