// TextBench: CPU cost of one frame of text through the whole neutral path
// (UTF-8 conversion, measure, layout, batch queue, ring chunks, vertices) with
// the null sprite back end: 10,000 glyphs a frame must cost under 4 ms.
#include "unit/SpriteFontBytes.h"

#include "app/DemoSystem.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteFontResource.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {
constexpr int kGlyphsPerFrame = 10000;
constexpr int kFrames = 300;
constexpr double kBudgetMs = 4.0;

double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Printable ASCII, each glyph 12 x 20 texels on a 1024 x 256 sheet.
std::vector<uint8_t> AsciiFont()
{
    SpriteFontBytes f;
    for (uint32_t c = 32; c < 127; ++c) {
        const int32_t x = int32_t((c - 32) % 64) * 16, y = int32_t((c - 32) / 64) * 24;
        f.glyphs.push_back({c, x, y, c == 32 ? x + 1 : x + 12, c == 32 ? y + 1 : y + 20, 0.5f, 2.0f, 1.0f});
    }
    f.width = 1024;
    f.height = 256;
    f.rowPitch = 1024 * 4;
    f.rowCount = 256;
    return f.Build();
}
} // namespace

int main()
{
    const auto path = std::filesystem::temp_directory_path() / "ml_textbench.spritefont";
    {
        const auto bytes = AsciiFont();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    CNullDemoSystem demo;
    demo.m_nWidth = 1920;
    demo.m_nHeight = 1080;
    DirectX::CNullSpriteBackend backend;
    backend.m_bRecordDraws = false;
    CSpriteFontResource font("bench", &backend);
    if (!font.Load(path.string())) {
        std::fprintf(stderr, "TextBench: cannot load the benchmark font\n");
        return 1;
    }
    std::filesystem::remove(path);

    // 100 lines of 100 visible glyphs: every character lands in the batch.
    std::string text;
    for (int i = 0; i < kGlyphsPerFrame; ++i) {
        text += static_cast<char>('!' + (i * 7) % 94);
        if (i % 100 == 99 && i + 1 < kGlyphsPerFrame)
            text += '\n';
    }

    std::vector<double> frames;
    for (int frame = 0; frame < kFrames + 10; ++frame) {
        const double start = CpuMs();
        font.DrawTextAt(text, Matrix4::Identity());
        const double elapsed = CpuMs() - start;
        if (frame >= 10) // the first frames grow the queue
            frames.push_back(elapsed);
    }
    std::sort(frames.begin(), frames.end());
    double sum = 0;
    for (double f : frames)
        sum += f;
    const double mean = sum / double(frames.size());
    const double median = frames[frames.size() / 2];
    const double p95 = frames[frames.size() * 95 / 100];
    std::printf("TextBench: %d glyphs/frame, %d frames: mean %.3f ms, median %.3f ms, p95 %.3f ms CPU (budget %.1f ms)\n",
                kGlyphsPerFrame, kFrames, mean, median, p95, kBudgetMs);
#ifdef NDEBUG
    if (median > kBudgetMs) {
        std::printf("TextBench: over budget\n");
        return 1;
    }
#else
    std::printf("TextBench: unoptimised build; the budget is checked in optimised builds only\n");
#endif
    return 0;
}
