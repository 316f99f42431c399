// Asset loading speed: a 100,000-triangle X3D model (target under 300 ms) and
// a 4096 x 4096 PNG decoded within 1.3 times stb_image's own decode of the same
// file. Inputs are generated once into the working directory and reused.
#include "assets/ImageDecoder.h"
#include "assets/X3DModel.h"
#include "BenchModel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include <stb_image.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Smooth ramps with a little noise, roughly as hard to compress as a photograph.
std::vector<uint8_t> MakePixels(int size, int comp)
{
    std::vector<uint8_t> p(size_t(size) * size * comp);
    uint32_t seed = 12345;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29) - 4;
            uint8_t* px = &p[(size_t(y) * size + x) * comp];
            const int values[4] = {x / 16 + noise, y / 16 + noise, ((x + y) / 32 + noise) & 255, 255 - (x + y) / 64};
            for (int c = 0; c < comp; ++c)
                px[c] = uint8_t(std::clamp(values[c], 0, 255));
        }
    return p;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main()
{
#ifndef NDEBUG
    std::printf("note: built without NDEBUG; figures from a Debug build are not representative\n");
#endif
    bool pass = true;

    const std::string modelPath = "bench_100k_triangles.x3d";
    if (!std::filesystem::exists(modelPath))
        std::ofstream(modelPath) << bench::MakeModel();
    size_t triangles = 0;
    const double modelMs = MedianMs(5, [&] {
        ModelMesh mesh;
        std::string error;
        if (!LoadX3DModel(modelPath, mesh, error))
            std::printf("model load failed: %s\n", error.c_str());
        triangles = mesh.indices.size() / 3;
    });
    std::printf("X3D model: %zu triangles, %.1f MB file, load %.1f ms (target < 300 ms) %s\n", triangles,
                double(std::filesystem::file_size(modelPath)) / 1e6, modelMs, modelMs < 300.0 ? "PASS" : "FAIL");
    pass = pass && modelMs < 300.0 && triangles == 100000;

    for (int comp : {4, 3}) {
        const std::string path = "bench_4096_" + std::to_string(comp) + "ch.png";
        if (!std::filesystem::exists(path)) {
            const std::vector<uint8_t> pixels = MakePixels(4096, comp);
            stbi_write_png(path.c_str(), 4096, 4096, comp, pixels.data(), 0);
        }
        const std::vector<uint8_t> file = ReadAll(path);
        double stbMs = 0, oursMs = 0;
        DxgiFormat format = DxgiFormat::UNKNOWN;
        // Interleaved so that both see the same machine state.
        std::vector<double> stbRuns, ourRuns;
        for (int i = 0; i < 5; ++i) {
            stbRuns.push_back(MedianMs(1, [&] {
                int w, h, n;
                stbi_image_free(stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0));
            }));
            ourRuns.push_back(MedianMs(1, [&] {
                DecodedImage image;
                std::string error;
                if (!DecodeImageFile(path, image, error))
                    std::printf("decode failed: %s\n", error.c_str());
                format = image.format;
            }));
        }
        std::sort(stbRuns.begin(), stbRuns.end());
        std::sort(ourRuns.begin(), ourRuns.end());
        stbMs = stbRuns[2];
        oursMs = ourRuns[2];
        const double ratio = oursMs / stbMs;
        std::printf("PNG 4096x4096 %s (%.1f MB): stb_image from memory %.1f ms, DecodeImageFile %.1f ms "
                    "(format %u), ratio %.2f (target <= 1.3) %s\n",
                    comp == 4 ? "RGBA" : "RGB", double(file.size()) / 1e6, stbMs, oursMs, unsigned(format), ratio,
                    ratio <= 1.3 ? "PASS" : "FAIL");
        pass = pass && ratio <= 1.3;
    }
    return pass ? 0 : 1;
}
