// Load time of a production with 50 materials (the demo system's start and the 50
// creatematerial commands), each its own scene shader pair (the same
// code with a different constant, so every pair is translated), with a cold on-disk
// shader cache (an empty directory, a fresh worker) and a warm one (the directory the
// cold load filled), as a player started again would find it. Cold and warm loads are
// interleaved and repeated; prints min / median / max in milliseconds and the ratio of
// the medians.
#include "BenchProduction.h"

#include "BenchContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "render/Renderer.h"
#include "render/gl/shader/ShaderTranslator.h"
#include "render/gl/shader/TranslationWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMaterials = 50;
constexpr int kRounds = 5;

std::filesystem::path WriteManyMaterials()
{
    const auto dir = bench::WriteProduction();
    for (int i = 0; i < kMaterials; ++i) {
        std::string shader = bench::kSceneHlsl;
        shader += "\n// variant " + std::to_string(i) + "\nstatic const float kVariant = " + std::to_string(i) + ";\n";
        const std::string name = "Scene" + std::to_string(i);
        std::ofstream(dir / "Data" / "Shaders" / (name + ".hlsl")) << shader;
        std::ofstream(dir / "Data" / "Mats" / (name + ".txt"))
            << "loadvertexshader Data\\Shaders\\" << name << ".hlsl VSMain\n"
            << "loadpixelshader Data\\Shaders\\" << name << ".hlsl PSMain\ntextureslot diffuse Diffuse\n";
    }
    return dir;
}

double LoadMilliseconds(CEglContext* context, bool& ok)
{
    auto demo = std::make_unique<CSDLDemoSystem>(context, true);
    const auto start = std::chrono::steady_clock::now();
    ok = demo->Init("DemoScript.txt", 64, 36) && ok;
    for (int i = 0; i < kMaterials && ok; ++i)
        ok = demo->m_pRenderer->CreateMaterial("m" + std::to_string(i),
                                               "Data\\Mats\\Scene" + std::to_string(i) + ".txt") != nullptr;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return ms;
}

void Print(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("  %-12s %8.1f / %8.1f / %8.1f\n", what, v.front(), v[v.size() / 2], v.back());
}

} // namespace

int main()
{
    const auto dir = WriteManyMaterials();
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    auto context = bench::OpenPlayerContext();
    if (!context)
        return 1;
    CShaderTranslator& translator = CShaderTranslator::Get();
    const std::string worker = FindShaderWorker();
    std::vector<double> cold, warm;
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        const std::string cache = (dir / ("cache" + std::to_string(round))).string();
        translator.Reset(cache, worker, CShaderTranslator::kDefaultLimit); // empty directory, fresh worker
        cold.push_back(LoadMilliseconds(context.get(), ok));
        ok = ok && translator.GetCounts().translated >= 2 * kMaterials;
        translator.Reset(cache, worker, CShaderTranslator::kDefaultLimit); // a new start finding the files
        warm.push_back(LoadMilliseconds(context.get(), ok));
        ok = ok && translator.GetCounts().fromDisk >= 2 * kMaterials && translator.GetCounts().translated == 0;
    }
    translator.Reset("", worker, CShaderTranslator::kDefaultLimit);
    context.reset();
    std::filesystem::current_path(cwd);
    std::filesystem::remove_all(dir);
    if (!ok) {
        std::fprintf(stderr, "the production did not load\n");
        return 1;
    }
    std::printf("%d materials, load (start and materials) in ms, %d interleaved rounds (min / median / max):\n", kMaterials, kRounds);
    Print("cold cache", cold);
    Print("warm cache", warm);
    std::sort(cold.begin(), cold.end());
    std::sort(warm.begin(), warm.end());
    std::printf("  warm / cold (medians): %.2f\n", warm[kRounds / 2] / cold[kRounds / 2]);
    return 0;
}
