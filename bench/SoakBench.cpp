// Soak run: one process plays a production headless again and again (every
// play creates, binds, draws with and releases all of its resources, context
// included) for a fixed time, sampling its resident memory every second.
// Memory must level off after the warm-up: the last minute's median may not
// exceed the first minute after warm-up by more than 5 % (exit status 1).
//
//   SoakBench PRODUCTION_DIR [SECONDS=600] [WARMUP_SECONDS=60]
#include "app/platform/Player.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PRODUCTION_DIR [SECONDS] [WARMUP_SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string production = std::filesystem::absolute(argv[1]).string();
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 600;
    const int warmup = argc > 3 ? std::atoi(argv[3]) : 60;
    if (seconds < warmup + 120) {
        std::fprintf(stderr, "the run needs two minutes after the warm-up\n");
        return 2;
    }

    std::vector<double> samples; // one a second
    std::mutex lock;
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        auto next = std::chrono::steady_clock::now();
        while (!stop) {
            next += std::chrono::seconds(1);
            std::this_thread::sleep_until(next);
            const std::lock_guard<std::mutex> guard(lock);
            samples.push_back(ResidentMiB());
        }
    });

    PlayerOptions options;
    options.headless = true;
    options.width = 320;
    options.height = 180;
    options.fps = 30;
    options.productionDir = production;
    const auto cwd = std::filesystem::current_path();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    long plays = 0, frames = 0;
    int failures = 0;
    while (std::chrono::steady_clock::now() < end) {
        // The last play runs to its end, past the soak's time.
        const int status = PlayProduction(options, [&](long, CDemoSystem&) { ++frames; });
        std::filesystem::current_path(cwd);
        failures += status != 0;
        ++plays;
    }
    stop = true;
    sampler.join();

    const size_t skip = static_cast<size_t>(warmup);
    const std::vector<double> after(samples.begin() + static_cast<long>(std::min(skip, samples.size())), samples.end());
    const std::vector<double> first(after.begin(), after.begin() + static_cast<long>(std::min<size_t>(60, after.size())));
    const std::vector<double> last(after.end() - static_cast<long>(std::min<size_t>(60, after.size())), after.end());
    const auto [low, high] = std::minmax_element(after.begin(), after.end());
    const double growth = (Median(last) / std::max(Median(first), 1.0) - 1.0) * 100.0;
    std::printf("soak: %ld plays, %ld frames in %d s (%d failed); resident memory after %d s warm-up: "
                "min %.1f MiB, median %.1f MiB, max %.1f MiB; first minute %.1f MiB, last minute %.1f MiB (%+.2f %%)\n",
                plays, frames, seconds, failures, warmup, after.empty() ? 0.0 : *low, Median(after),
                after.empty() ? 0.0 : *high, Median(first), Median(last), growth);
    return failures == 0 && growth <= 5.0 ? 0 : 1;
}
