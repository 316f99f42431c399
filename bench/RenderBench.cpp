// Speed of --render against the same render without output: the benchmark
// production (a moving plasma, two effects and the fade, with music) drawn at 1280x720 and 60 fps
// for a number of frames, once headless with nothing written, once to an .mp4
// (H.264 + AAC on the writer's thread), in one run. The render should keep at
// least 60% of the frame rate of drawing alone. CPU time per frame is shown too:
// on a shared machine it varies less than the frame rates do.
// Usage: RenderBench [frames=300] [WxH=1280x720]
#include "BenchProduction.h"
#include "app/platform/Player.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A moving plasma with fine grain under the effects, so the encoder codes detail and
// motion as in a real production rather than a flat colour.
constexpr const char* kPlasmaHlsl = R"(
cbuffer Frame : register(b0) { float global_time; };
struct VSOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
float4 PSPlasma(VSOut i) : SV_Target
{
    float2 p = i.uv * float2(16.0, 9.0);
    float t = global_time;
    float v = sin(p.x + t) + sin(p.y * 1.3 - t * 0.7) + sin((p.x + p.y) * 0.6 + t * 1.1);
    float grain = frac(sin(dot(floor(i.pos.xy), float2(12.9898, 78.233))) * 43758.5453) * 0.08;
    return float4(0.5 + 0.4 * sin(v), 0.5 + 0.4 * sin(v + 2.1), 0.5 + 0.4 * sin(v + 4.2), 1.0) + grain;
}
)";

// Ten seconds of a soft chord, so the AAC encoder has music to code.
bool WriteMusic(const std::filesystem::path& path)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> samples(static_cast<size_t>(44100) * 10 * 2);
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const double s = std::sin(2 * std::numbers::pi * 220 * t) + 0.5 * std::sin(2 * std::numbers::pi * 277.2 * t) +
                         0.3 * std::sin(2 * std::numbers::pi * 329.6 * t);
        samples[i * 2] = static_cast<float>(0.2 * s);
        samples[i * 2 + 1] = static_cast<float>(0.2 * s * (0.5 + 0.5 * std::sin(t)));
    }
    const bool ok = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2)) ==
                    static_cast<sf_count_t>(samples.size() / 2);
    return sf_close(file) == 0 && ok;
}

struct Figures {
    double fps = 0;       // frames per second of wall time
    double cpuMs = 0;     // milliseconds of CPU (all threads) per frame
};

// From the first frame drawn to the player's return (for the render that includes
// writing the encoder's last frames and closing the file).
std::optional<Figures> Measure(PlayerOptions options, long frames)
{
    std::optional<Clock::time_point> first;
    std::clock_t firstCpu = 0;
    long drawn = 0;
    const int status = PlayProduction(options, [&](long frame, CDemoSystem&) {
        if (frame == 0) {
            first = Clock::now();
            firstCpu = std::clock();
        }
        drawn = frame + 1;
    });
    const auto end = Clock::now();
    const std::clock_t endCpu = std::clock();
    if (status != 0 || !first || drawn != frames)
        return std::nullopt;
    Figures f;
    f.fps = static_cast<double>(frames - 1) / std::chrono::duration<double>(end - *first).count();
    f.cpuMs = 1000.0 * static_cast<double>(endCpu - firstCpu) / CLOCKS_PER_SEC / static_cast<double>(frames - 1);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    const long frames = argc > 1 ? std::atol(argv[1]) : 300;
    int width = 1280, height = 720;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "RenderBench: the size is WxH\n");
        return 2;
    }
    const auto dir = bench::WriteProduction();
    const auto cwd = std::filesystem::current_path();
    const auto movie = dir / "bench.mp4";
    {
        std::ofstream(dir / "Data" / "Shaders" / "Plasma.hlsl") << kPlasmaHlsl;
        std::ofstream(dir / "Data" / "Mats" / "Plasma.txt") << "loadvertexshader Data\\Shaders\\Pass.hlsl VSPass\n"
                                                                "loadpixelshader Data\\Shaders\\Plasma.hlsl PSPlasma\n";
        // The plasma goes first in the chain; the script's effects then work on it.
        std::ifstream in(dir / "DemoScript.txt");
        const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(dir / "DemoScript.txt") << "creatematerial plasma Data\\Mats\\Plasma.txt\n"
                                                 "createpostprocess plasma plasma\n"
                                                 "addpostprocess plasma\n"
                                              << script << "loadaudiotrack music Music.wav\nplayaudiotrack music\n";
    }
    int status = 0;
    if (!WriteMusic(dir / "Music.wav")) {
        std::fprintf(stderr, "RenderBench: cannot write the music\n");
        status = 1;
    }

    PlayerOptions options;
    options.headless = true;
    options.width = width;
    options.height = height;
    options.fps = 60;
    options.frames = frames;
    options.productionDir = dir.string();
    // Two rounds, alternating, best of each: the machine's other load shifts both alike.
    std::optional<Figures> plain, rendered;
    for (int round = 0; round < 2 && status == 0; ++round) {
        options.render.clear();
        const auto p = Measure(options, frames);
        std::filesystem::current_path(cwd);
        options.render = movie.string();
        const auto r = Measure(options, frames);
        std::filesystem::current_path(cwd);
        if (!p || !r) {
            status = 1;
            break;
        }
        if (!plain || p->fps > plain->fps)
            plain = p;
        if (!rendered || r->fps > rendered->fps)
            rendered = r;
    }
    if (status != 0 || !plain || !rendered) {
        std::fprintf(stderr, "RenderBench: a run failed\n");
        status = 1;
    } else {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(movie, ec);
        std::printf("RenderBench: %ld frames at %dx%d, 60 fps step, best of two rounds\n", frames, width, height);
        std::printf("  drawing alone:              %7.1f frames/s, %6.1f ms CPU a frame\n", plain->fps, plain->cpuMs);
        std::printf("  drawing + .mp4 (H.264/AAC): %7.1f frames/s, %6.1f ms CPU a frame, %.2f MB\n", rendered->fps,
                    rendered->cpuMs, static_cast<double>(bytes) / 1e6);
        std::printf("  render speed: %.0f%% of drawing alone (target >= 60%%)\n", 100.0 * rendered->fps / plain->fps);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
}
