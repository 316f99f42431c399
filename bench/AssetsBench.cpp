// Asset loading speed: a 100,000-triangle X3D model (target under 300 ms), and
// 4096 x 4096 PNG and JPEG files decoded by the container libraries no slower
// than by stb_image, the player's earlier decoder. Inputs are generated once
// into the working directory and reused.
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

    // The same pictures as PNG (RGBA and RGB) and as JPEG; stb_image, the decoder the
    // player used before the container libraries, decodes the same bytes as the baseline.
    struct ImageCase {
        const char* label;
        std::string path;
        int comp;
        bool jpeg;
    };
    const ImageCase images[] = {
        {"PNG RGBA", "bench_4096_4ch.png", 4, false},
        {"PNG RGB", "bench_4096_3ch.png", 3, false},
        {"JPEG RGB q90", "bench_4096_3ch_q90.jpg", 3, true},
    };
    for (const ImageCase& c : images) {
        if (!std::filesystem::exists(c.path)) {
            const std::vector<uint8_t> pixels = MakePixels(4096, c.comp);
            if (c.jpeg)
                stbi_write_jpg(c.path.c_str(), 4096, 4096, c.comp, pixels.data(), 90);
            else
                stbi_write_png(c.path.c_str(), 4096, 4096, c.comp, pixels.data(), 0);
        }
        const std::vector<uint8_t> file = ReadAll(c.path);
        DxgiFormat format = DxgiFormat::UNKNOWN;
        // Interleaved so that both see the same machine state.
        std::vector<double> stbRuns, ourRuns;
        for (int i = 0; i < 7; ++i) {
            stbRuns.push_back(MedianMs(1, [&] {
                int w, h, n;
                // Four channels, as the earlier decoder asked for colour images.
                stbi_image_free(stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4));
            }));
            ourRuns.push_back(MedianMs(1, [&] {
                DecodedImage image;
                std::string error;
                if (!DecodeImageFile(c.path, image, error))
                    std::printf("decode failed: %s\n", error.c_str());
                format = image.format;
            }));
        }
        std::sort(stbRuns.begin(), stbRuns.end());
        std::sort(ourRuns.begin(), ourRuns.end());
        const double ratio = ourRuns[3] / stbRuns[3];
        std::printf("%s 4096x4096 (%.1f MB): stb_image from memory min/median/max %.1f/%.1f/%.1f ms, "
                    "DecodeImageFile %.1f/%.1f/%.1f ms (format %u), median ratio %.2f (target <= 1.0) %s\n",
                    c.label, double(file.size()) / 1e6, stbRuns.front(), stbRuns[3], stbRuns.back(), ourRuns.front(),
                    ourRuns[3], ourRuns.back(), unsigned(format), ratio, ratio <= 1.0 ? "PASS" : "FAIL");
        pass = pass && ratio <= 1.0;
    }
    return pass ? 0 : 1;
}
