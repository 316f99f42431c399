// Running the player binary on a staged render production: the production with
// its music written next to the shared materials, a background run that can be
// interrupted, and waiting for it. Shared by the render and render farm tests.
#pragma once
#include "ProductionRunner.h"
#include "support/TempDir.h"
#include "unit/AudioTestFiles.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <numbers>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

inline constexpr int kRate = 44100;
inline constexpr double kToneStart = 0.5; // in Music.wav

// The render production next to a copy of the shared materials, with its music:
// silence, then from 0.5 s a 440 Hz tone, left louder than right.
inline std::filesystem::path Stage(const TempDir& dir, const std::string& name)
{
    namespace fs = std::filesystem;
    fs::copy(ProductionDir(name), dir.Path() / name, fs::copy_options::recursive);
    fs::copy(ProductionDir("common"), dir.Path() / "common", fs::copy_options::recursive);
    const auto production = dir.Path() / name;
    const bool written = audiotest::WriteAudio(
        (production / "Music.wav").string(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, 2, 2 * kRate,
        [](int64_t i, int channel) {
            if (i < static_cast<int64_t>(kToneStart * kRate))
                return 0.0f;
            const double s = std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / kRate);
            return static_cast<float>((channel == 0 ? 0.5 : 0.25) * s);
        });
    EXPECT_TRUE(written);
    return production;
}

// Runs the player binary in the background with its stderr in a file; returns its pid.
inline pid_t Spawn(const std::vector<std::string>& arguments, const std::string& errFile)
{
    std::vector<char*> argv;
    std::string program = ML_PLAYER_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Signals blocked in this process would stay blocked in the child: start it with none.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child; kills it when it has not ended within the time.
inline bool WaitFor(pid_t pid, int& raw, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, &raw, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &raw, 0);
    return false;
}
