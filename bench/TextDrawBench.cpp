// TextDrawBench: 10,000 glyphs a frame through the GL sprite back end of the
// player (font, batch, ring, GL calls) at 1920x1080 on one headless context.
// Per frame it reports, as medians in milliseconds:
//   cpu     - this thread's CPU time inside DrawTextAt: our code and the GL
//             driver's share on this thread (llvmpipe also shades and bins
//             vertices here, work a GPU would do);
//   submit  - wall time of the same call: cpu plus any wait for the rasteriser
//             to free its bins, and for the processor when others load it;
//   drain   - glFinish afterwards: the rasteriser's (llvmpipe's) remaining work;
//   neutral - the same text through the null back end: our own code alone.
// Target: cpu under 4 ms in an optimised build.
#include "BenchProduction.h"
#include "unit/SpriteFontBytes.h"

#include "app/platform/EglContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteFontResource.h"
#include "render/FontResource.h"
#include "render/gl/GLRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <epoxy/gl.h>
#include <vector>

namespace {

constexpr int kLines = 100;
constexpr int kGlyphsPerLine = 100;
constexpr double kBudgetMs = 4.0;

// Printable ASCII in 16x10 glyphs, advancing 17.5 pixels, lines 10.8 apart:
// the 100 x 100 glyphs cover about three quarters of a 1920x1080 screen.
std::vector<uint8_t> BenchFont()
{
    SpriteFontBytes f;
    for (uint32_t c = 32; c < 127; ++c) {
        const int32_t x = int32_t((c - 32) % 64) * 16, y = int32_t((c - 32) / 64) * 12;
        f.glyphs.push_back({c, x, y, c == 32 ? x + 1 : x + 16, c == 32 ? y + 1 : y + 10, 0.5f, 0.0f, 1.0f});
    }
    f.lineSpacing = 10.8f;
    f.width = 1024;
    f.height = 32;
    f.rowPitch = 1024 * 4;
    f.rowCount = 32;
    return f.Build();
}

double ThreadCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double Percentile95(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() * 95 / 100];
}

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const auto dir = bench::WriteProduction();
    const auto fontPath = dir / "bench.spritefont";
    {
        const auto bytes = BenchFont();
        std::ofstream(fontPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    std::string text;
    for (int line = 0; line < kLines; ++line) {
        for (int i = 0; i < kGlyphsPerLine; ++i)
            text += static_cast<char>('!' + (line * kGlyphsPerLine + i) * 7 % 94);
        if (line + 1 < kLines)
            text += '\n';
    }

    std::filesystem::current_path(dir);
    std::string error;
    auto context = CEglContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "TextDrawBench: %s\n", error.c_str());
        return 1;
    }
    std::vector<double> submit, cpu, drain, neutral;
    {
        auto demo = std::make_unique<CSDLDemoSystem>(context.get(), true);
        if (!demo->Init("DemoScript.txt", 1920, 1080)) {
            std::fprintf(stderr, "TextDrawBench: the player did not start\n");
            return 1;
        }
        auto& renderer = static_cast<CGLRenderer&>(*demo->m_pRenderer);
        CFontResource* font = renderer.CreateFont("bench", fontPath.string());
        DirectX::CNullSpriteBackend backend;
        backend.m_bRecordDraws = false;
        CSpriteFontResource nullFont("bench-null", &backend);
        if (!font || !nullFont.Load(fontPath.string())) {
            std::fprintf(stderr, "TextDrawBench: cannot load the benchmark font\n");
            return 1;
        }
        renderer.SetBackBufferTarget();
        for (int frame = 0; frame < frames + 10; ++frame) {
            renderer.Clear(0.0f, 0.0f, 0.0f);
            glFinish();
            const auto start = Clock::now();
            const double cpuStart = ThreadCpuMs();
            font->DrawTextAt(text, Matrix4::Identity());
            const double cpuEnd = ThreadCpuMs();
            const auto submitted = Clock::now();
            glFinish();
            const auto finished = Clock::now();

            const double neutralStart = ThreadCpuMs();
            nullFont.DrawTextAt(text, Matrix4::Identity());
            const double neutralEnd = ThreadCpuMs();
            if (frame < 10) // warm-up: the queue grows, the driver compiles its shaders
                continue;
            submit.push_back(Ms(start, submitted));
            cpu.push_back(cpuEnd - cpuStart);
            drain.push_back(Ms(submitted, finished));
            neutral.push_back(neutralEnd - neutralStart);
        }
    }
    context.reset();
    std::filesystem::current_path(dir.parent_path());
    std::filesystem::remove_all(dir);

    const double cpuMedian = Median(cpu);
    std::printf("TextDrawBench: %d glyphs/frame at 1920x1080, %d frames (medians, p95 in brackets):\n",
                kLines * kGlyphsPerLine, frames);
    std::printf("  thread CPU %.3f ms (%.3f), submit wall %.3f ms (%.3f), llvmpipe drain %.3f ms (%.3f), "
                "neutral path alone %.3f ms (%.3f); budget %.1f ms of CPU\n",
                cpuMedian, Percentile95(cpu), Median(submit), Percentile95(submit), Median(drain),
                Percentile95(drain), Median(neutral), Percentile95(neutral), kBudgetMs);
#ifdef NDEBUG
    if (cpuMedian > kBudgetMs) {
        std::printf("TextDrawBench: over budget\n");
        return 1;
    }
#else
    std::printf("TextDrawBench: unoptimised build; the budget is checked in optimised builds only\n");
#endif
    return 0;
}
