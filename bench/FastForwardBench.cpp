// Reaching 40 s of the showcase: --start's fast-forward against playing there
// at the fixed step with every frame drawn (what a run from 0 does), both
// off-screen at 640x360 and 60 frames a second, interleaved and repeated.
// Prints min, median and max seconds of each and the ratio of the medians.
#include "app/FrameLoop.h"
#include "BenchContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "live/ProductionSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <epoxy/gl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kFps = 60;
constexpr long kFrames = 40 * kFps;
constexpr int kRepeats = 3;

std::unique_ptr<CDemoSystem> Make(CPlatformContext& context)
{
    auto demo = std::make_unique<CSDLDemoSystem>(&context, true);
    if (!demo->Init("DemoScript.txt", 640, 360))
        return nullptr;
    return demo;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Made, then run to 40 s without drawing.
double FastForward(CPlatformContext& context)
{
    const auto start = std::chrono::steady_clock::now();
    CProductionSession session([&] { return Make(context); }, kFps, true);
    if (!session.Start() || !session.FastForwardTo(kFrames))
        std::fprintf(stderr, "the showcase did not reach 40 s\n");
    glFinish();
    return Seconds(start);
}

// Made, then every frame run and drawn to 40 s, by the frame function alone.
double DrawEveryFrame(CPlatformContext& context)
{
    const auto start = std::chrono::steady_clock::now();
    auto demo = Make(context);
    for (long f = 0; demo && f < kFrames; ++f)
        RunFrame(*demo, 1.0f / kFps);
    glFinish();
    return Seconds(start);
}

void Print(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-28s min %7.3f s  median %7.3f s  max %7.3f s\n", what, v.front(), v[v.size() / 2], v.back());
}

} // namespace

int main(int argc, char** argv)
{
#ifdef ML_SHOWCASE_DIR
    std::string dir = ML_SHOWCASE_DIR;
#else
    std::string dir;
#endif
    if (argc > 1)
        dir = argv[1];
    if (dir.empty() || !std::filesystem::exists(std::filesystem::path(dir) / "DemoScript.txt")) {
        std::fprintf(stderr, "usage: FastForwardBench [showcase folder]\n");
        return 2;
    }
    std::filesystem::current_path(dir);
    auto context = bench::OpenPlayerContext();
    if (!context)
        return 1;
    std::vector<double> forward, drawn;
    for (int i = 0; i < kRepeats; ++i) {
        forward.push_back(FastForward(*context));
        drawn.push_back(DrawEveryFrame(*context));
    }
    Print("fast-forward to 40 s", forward);
    Print("every frame drawn to 40 s", drawn);
    std::sort(forward.begin(), forward.end());
    std::sort(drawn.begin(), drawn.end());
    std::printf("fast-forward takes %.1f%% of the drawn run's time\n",
                100.0 * forward[forward.size() / 2] / drawn[drawn.size() / 2]);
    return 0;
}
