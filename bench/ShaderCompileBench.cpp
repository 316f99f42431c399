// Time to translate a typical material's vertex and pixel shader pair from HLSL to GLSL,
// after glslang's one-time start-up (reported separately). Prints median milliseconds.
#include "BenchProduction.h"

#include "render/gl/shader/ShaderCompiler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const kShader = bench::kSceneHlsl; // the scene shader the frame benchmarks draw with

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main()
{
    const std::string path = "/tmp/ml_shader_compile_bench.hlsl";
    std::ofstream(path) << kShader;

    auto start = std::chrono::steady_clock::now();
    bool ok = CompileHlsl(path, "VSMain", ShaderStage::Vertex).ok;
    std::printf("first vertex shader (with glslang start-up): %.2f ms\n", Milliseconds(start));

    std::vector<double> pairs;
    for (int i = 0; i < 50; ++i) {
        start = std::chrono::steady_clock::now();
        ok = CompileHlsl(path, "VSMain", ShaderStage::Vertex).ok && ok;
        ok = CompileHlsl(path, "PSMain", ShaderStage::Pixel).ok && ok;
        pairs.push_back(Milliseconds(start));
    }
    std::remove(path.c_str());
    if (!ok) {
        std::printf("translation failed\n");
        return 1;
    }
    std::nth_element(pairs.begin(), pairs.begin() + pairs.size() / 2, pairs.end());
    std::printf("vertex + pixel pair, median of %zu: %.2f ms\n", pairs.size(), pairs[pairs.size() / 2]);
    return 0;
}
