// Scene set-up time against the number of nodes: a script that creates N nodes
// side by side under the root, each with its own variable, a keyframe, a
// position set by path and a rotation bound to the variable, read and run on
// the null back end. Every line looks names up, so a look-up that scans makes
// set-up quadratic. Sizes alternate (5,000, 20,000, 5,000, ...) and each is
// repeated; the figure to check is the growth from 5,000 to 20,000 nodes:
// 4 is linear, 16 quadratic (target under 5).
// Usage: NodeSetupBench [repetitions=15]
#include "app/DemoSystem.h"
#include "app/FrameLoop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void WriteScript(const std::filesystem::path& file, int nodes)
{
    std::ofstream out(file);
    for (int i = 0; i < nodes; ++i) {
        const std::string n = "n" + std::to_string(i);
        out << "createnode " << n << " root\n"
            << "createvariable v" << i << " linear 3\n"
            << "setvariablekeyframe v" << i << " 0 0 0 " << i % 360 << "\n"
            << "setposition root\\" << n << " " << i % 7 << " 0 0\n"
            << "setrotation root\\" << n << " v" << i << "\n";
    }
}

// Seconds from reading the script to the end of the frame that runs it.
double SetUpSeconds(const std::filesystem::path& script)
{
    const auto start = Clock::now();
    CNullDemoSystem demo;
    if (!demo.Init(script.string(), 1280, 720)) {
        std::fprintf(stderr, "the production did not start\n");
        std::exit(1);
    }
    RunFrame(demo, 0.0f);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Spread {
    double min, median, max;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

} // namespace

int main(int argc, char** argv)
{
#ifndef NDEBUG
    std::printf("note: built without NDEBUG; figures from a Debug build are not representative\n");
#endif
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const auto dir = std::filesystem::temp_directory_path() / ("ml-nodesetup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const int sizes[] = {5000, 20000};
    for (int n : sizes)
        WriteScript(dir / ("Nodes" + std::to_string(n) + ".txt"), n);

    std::vector<double> seconds[2];
    for (int r = 0; r < repetitions; ++r)
        for (int s = 0; s < 2; ++s)
            seconds[s].push_back(SetUpSeconds(dir / ("Nodes" + std::to_string(sizes[s]) + ".txt")));
    std::filesystem::remove_all(dir);

    Spread spread[2];
    for (int s = 0; s < 2; ++s) {
        spread[s] = SpreadOf(seconds[s]);
        std::printf("%6d nodes: set-up min %.3f s, median %.3f s, max %.3f s (%.1f us per node)\n", sizes[s],
                    spread[s].min, spread[s].median, spread[s].max, spread[s].median * 1e6 / sizes[s]);
    }
    const double growth = spread[1].median / spread[0].median;
    std::printf("growth from 5,000 to 20,000 nodes: %.2f of medians, %.2f of minima (linear 4, quadratic 16; "
                "target under 5) %s\n",
                growth, spread[1].min / spread[0].min, growth < 5.0 ? "PASS" : "FAIL");
    return growth < 5.0 ? 0 : 1;
}
