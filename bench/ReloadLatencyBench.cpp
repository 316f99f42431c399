// From saving a shader to the changed picture: hot reload (the file watcher,
// the reloader, the next frame) against restarting the production and drawing
// its first frame, which is what the author did without reload (process start
// not counted). Off-screen at 640x360; each side repeated, interleaved.
// Prints min, median and max milliseconds of each.
#include "BenchProduction.h"

#include "app/Diagnostics.h"
#include "BenchContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "live/ProductionSession.h"
#include "live/Reloader.h"
#include "live/platform/InotifyFileWatcher.h"
#include "render/gl/GLRenderer.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRepeats = 15;

// The effects with the swap replaced by a flat red of this level.
void WriteEffects(const std::filesystem::path& dir, float red)
{
    std::string text = bench::kEffectsHlsl;
    const std::string from = "return float4(s.b, s.g, s.r + global_time * 0.001, 1.0);";
    text.replace(text.find(from), from.size(), "return float4(" + std::to_string(red) + ", 0.0, 0.0, 1.0);");
    std::ofstream(dir / "Data/Shaders/Effects.hlsl") << text;
}

bool Shows(CProductionSession& session, float red)
{
    auto& renderer = static_cast<CGLRenderer&>(*session.Demo().m_pRenderer);
    std::vector<uint8_t> rgb;
    renderer.ReadBackBuffer(rgb);
    return !rgb.empty() && std::abs(static_cast<int>(rgb[0]) - static_cast<int>(red * 255.0f + 0.5f)) <= 3;
}

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

void Print(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-34s min %8.2f ms  median %8.2f ms  max %8.2f ms\n", what, v.front(), v[v.size() / 2], v.back());
}

} // namespace

int main()
{
    // The effects' texture-slot notes would be printed on every reload.
    diag::SetSink([](const std::string&) {});
    const auto dir = bench::WriteProduction();
    std::filesystem::current_path(dir);
    auto context = bench::OpenPlayerContext();
    if (!context)
        return 1;
    auto make = [&]() -> std::unique_ptr<CDemoSystem> {
        auto demo = std::make_unique<CSDLDemoSystem>(context.get(), true);
        if (!demo->Init("DemoScript.txt", 640, 360))
            return nullptr;
        return demo;
    };
    WriteEffects(dir, 0.5f);
    CProductionSession session(make, 60, false);
    CInotifyFileWatcher watcher;
    CReloader reloader(session, watcher);
    if (!session.Start() || !watcher.IsOpen()) {
        std::fprintf(stderr, "the production did not start, or inotify is missing\n");
        return 1;
    }
    session.RunFrame(1.0f / 60);
    reloader.WatchProduction();

    std::vector<double> reload, restart;
    for (int i = 0; i < kRepeats; ++i) {
        // Levels the other side never writes: a picture already showing one is never taken for the change.
        const float red = 0.2f + 0.1f * static_cast<float>(i % 3);
        WriteEffects(dir, red);
        auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < 600; ++frame) {
            reloader.Poll();
            session.RunFrame(1.0f / 60);
            if (Shows(session, red))
                break;
        }
        reload.push_back(Ms(start));

        const float back = 0.8f - 0.1f * static_cast<float>(i % 3);
        WriteEffects(dir, back);
        watcher.TakeChanges(); // this side does not reload
        // One demo system at a time in a process: the restart makes the session's again.
        start = std::chrono::steady_clock::now();
        session.ReplayTo(0);
        session.RunFrame(1.0f / 60);
        restart.push_back(Ms(start));
        if (!Shows(session, back))
            std::fprintf(stderr, "the restarted production does not show the change\n");
    }
    Print("save to screen, hot reload", reload);
    Print("save to screen, restart", restart);
    std::error_code ec;
    std::filesystem::current_path(dir.parent_path(), ec);
    std::filesystem::remove_all(dir, ec);
    return 0;
}
