// Productions whose one bad input (a shader, an image, a model, a path, a
// variable) once crashed the player, ran it out of memory or kept it busy for
// a minute. Each plays through the player binary as a user would start it: it
// must end with status 0, quickly, under a gigabyte, and show the green fill
// its script sets up, the bad input simply not loaded.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr double kSlowdown = 6.0; // sanitized Debug builds
#else
constexpr double kSlowdown = 1.0;
#endif
constexpr double kMaxSeconds = 5.0;
constexpr long kMaxResidentKiB = 1L << 20;

std::vector<std::string> Productions()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ML_REPRO_DIR, ec))
        if (fs::is_regular_file(entry.path() / "DemoScript.txt"))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Outcome {
    int status = -1; // exit status, or 128 + signal
    double seconds = 0.0;
    long residentKiB = 0;
    std::string errors;
};

// Runs the player with arguments; kills it when it outlives the limit.
Outcome RunPlayer(const std::vector<std::string>& arguments, const fs::path& errFile, double limit)
{
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    std::vector<char*> argv{const_cast<char*>(ML_PLAYER_PATH)};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, ML_PLAYER_PATH, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        return outcome;
    int raw = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &raw, WNOHANG, &usage);
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == pid)
            break;
        if (outcome.seconds > limit * 4) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &raw, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    outcome.residentKiB = usage.ru_maxrss;
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    outcome.errors = text.str();
    return outcome;
}

bool SetsUpGreenFill(const fs::path& script)
{
    std::ifstream in(script);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().find("setcolour solid c 0 1 0") != std::string::npos;
}

class Repro : public ::testing::TestWithParam<std::string> {};

TEST_P(Repro, PlaysToItsEndQuicklyInLittleMemoryAndShowsItsFill)
{
    const fs::path production = fs::path(ML_REPRO_DIR) / GetParam();
    const bool fill = SetsUpGreenFill(production / "DemoScript.txt");
    TempDir dir;
    const std::string capture = (dir.Path() / "frame.png").string();
    std::vector<std::string> arguments{"-v", "--headless", "--size", "64x36", "--frames", "3"};
    if (fill)
        arguments.insert(arguments.end(), {"--capture", "2:" + capture});
    arguments.push_back(production.string());

    const Outcome run = RunPlayer(arguments, dir.Path() / "errors.txt", kMaxSeconds * kSlowdown);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_LT(run.seconds, kMaxSeconds * kSlowdown) << run.errors;
    EXPECT_LT(run.residentKiB, kMaxResidentKiB) << run.errors;
    // The bad input is named in what -v says.
    EXPECT_NE(run.errors, "");
    if (fill) {
        EXPECT_TRUE(Uniform(ReadPng(capture), {0, 255, 0}, 2)) << run.errors;
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Productions, Repro, ::testing::ValuesIn(Productions()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Repro);

} // namespace
