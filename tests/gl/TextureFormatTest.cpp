// Image textures on GL: every format image decoding produces is uploaded and
// sampled to the colours Direct3D would give (gray as red only, sRGB decoded on
// sampling, 16-bit and float data, alpha where the format has it and 1 where it
// has none), with tightly packed rows. The images are written by the test.
#include "ProductionRunner.h"

#include "support/TempDir.h"
#include "support/TestImages.h"

#include <cmath>

namespace {

using testimg::Bytes;

// The six texels of every 3x2 test image, top row first, as (r, g, b, a) bytes.
// The test reads texel 0 (top left) and texel 5 (bottom right).
constexpr std::array<std::array<int, 4>, 6> kTexels = {{
    {200, 120, 40, 160},
    {11, 12, 13, 14},
    {21, 22, 23, 24},
    {31, 32, 33, 34},
    {41, 42, 43, 44},
    {30, 90, 250, 70},
}};

enum class Layout { Gray, GrayAlpha, Rgb, Rgba };

std::vector<uint16_t> Samples(Layout layout, bool sixteen)
{
    std::vector<uint16_t> out;
    const uint16_t scale = sixteen ? 257 : 1;
    for (const auto& t : kTexels) {
        const int picks[4][4] = {{0, -1}, {0, 3, -1}, {0, 1, 2, -1}, {0, 1, 2, 3}};
        for (int c : picks[static_cast<int>(layout)]) {
            if (c < 0)
                break;
            out.push_back(static_cast<uint16_t>(t[static_cast<size_t>(c)] * scale));
        }
    }
    return out;
}

Bytes BmpPixels(bool withX)
{
    Bytes out;
    for (const auto& t : kTexels) {
        out.insert(out.end(), {static_cast<uint8_t>(t[2]), static_cast<uint8_t>(t[1]), static_cast<uint8_t>(t[0])});
        if (withX)
            out.push_back(static_cast<uint8_t>(t[3])); // not 255: X must still sample as opaque
    }
    return out;
}

struct Cell {
    const char* file;
    // Sampled (r, g, b, a) of a texel.
    std::function<std::array<int, 4>(const std::array<int, 4>&)> sampled;
};

std::vector<Cell> Cells()
{
    using T = std::array<int, 4>;
    auto opaque = [](const T& t) { return T{t[0], t[1], t[2], 255}; };
    auto asIs = [](const T& t) { return t; };
    auto srgb = [](const T& t) { return T{SrgbToLinear(t[0]), SrgbToLinear(t[1]), SrgbToLinear(t[2]), 255}; };
    return {
        {"Gray8.png", [](const T& t) { return T{t[0], 0, 0, 255}; }},
        {"Gray16.png", [](const T& t) { return T{t[0], 0, 0, 255}; }},
        {"Rgb.png", opaque},
        {"RgbSrgb.png", srgb},
        {"Rgba.png", asIs},
        {"RgbaSrgb.png", [srgb](const T& t) {
             T s = srgb(t);
             s[3] = t[3]; // alpha is never sRGB-encoded
             return s;
         }},
        {"GrayAlpha.png", [](const T& t) { return T{t[0], t[0], t[0], t[3]}; }},
        {"Rgb16.png", opaque},
        {"Rgba16.png", asIs},
        {"Bgrx.bmp", opaque},
        {"Rgb24.bmp", opaque},
        {"Float.hdr", [](const T& t) {
             auto f = [](int v) { return static_cast<int>(std::lround(v / 256.0 * 255.0)); };
             return T{f(t[0]), f(t[1]), f(t[2]), 255};
         }},
    };
}

void WriteImages(const std::string& dir)
{
    auto png = [&](const char* name, uint8_t type, Layout layout, bool sixteen, bool srgb) {
        testimg::WriteFile(dir + "/" + name, testimg::Png(3, 2, sixteen ? 16 : 8, type, Samples(layout, sixteen), srgb));
    };
    png("Gray8.png", 0, Layout::Gray, false, false);
    png("Gray16.png", 0, Layout::Gray, true, false);
    png("Rgb.png", 2, Layout::Rgb, false, false);
    png("RgbSrgb.png", 2, Layout::Rgb, false, true);
    png("Rgba.png", 6, Layout::Rgba, false, false);
    png("RgbaSrgb.png", 6, Layout::Rgba, false, true);
    png("GrayAlpha.png", 4, Layout::GrayAlpha, false, false);
    png("Rgb16.png", 2, Layout::Rgb, true, false);
    png("Rgba16.png", 6, Layout::Rgba, true, false);
    testimg::WriteFile(dir + "/Bgrx.bmp", testimg::Bmp(3, 2, 32, BmpPixels(true)));
    testimg::WriteFile(dir + "/Rgb24.bmp", testimg::Bmp(3, 2, 24, BmpPixels(false)));
    std::vector<float> rgb;
    for (const auto& t : kTexels)
        for (int c = 0; c < 3; ++c)
            rgb.push_back(static_cast<float>(t[static_cast<size_t>(c)]) / 256.0f);
    testimg::WriteFile(dir + "/Float.hdr", testimg::Hdr(3, 2, rgb));
}

TEST(TextureFormats, EveryDecodedFormatUploadsAndSamplesAsOnDirect3D)
{
    TempDir scratch;
    const std::string dir = CopyProduction("textureformats", scratch.Path());
    WriteImages(dir);
    const std::vector<Cell> cells = Cells();
    const ProductionRun run = RunProductionAt(dir, {2});
    ASSERT_EQ(run.status, 0);
    for (const std::string& r : run.reports)
        ADD_FAILURE() << r;
    const Image& image = run.images.at(2);
    for (size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(cells[i].file);
        const int x = static_cast<int>(i % 4) * 16, y = static_cast<int>(i / 4) * 12;
        for (int texel : {0, 5}) {
            const auto want = cells[i].sampled(kTexels[static_cast<size_t>(texel)]);
            const int row = y + (texel == 0 ? 3 : 9);
            EXPECT_TRUE(Near(image.At(x + 4, row), {want[0], want[1], want[2]})) << "texel " << texel << " colour";
            EXPECT_TRUE(Near(image.At(x + 12, row), {want[3], want[3], want[3]})) << "texel " << texel << " alpha";
        }
    }
}

} // namespace
