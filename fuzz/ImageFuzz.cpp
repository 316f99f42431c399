// Image decoding through the decoder's public entry point, every container it
// recognises by content. Seeds: one small file of each kind and depth.
#include "FuzzTarget.h"

#include "assets/ImageDecoder.h"
#include "support/TestImages.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tiffio.h>
#include <webp/encode.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {
using Bytes = std::vector<uint8_t>;

void Append(void* context, void* data, int size)
{
    auto* out = static_cast<std::string*>(context);
    out->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

std::string Str(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A 5x3 RGB TIFF in LZW strips, written by libtiff.
std::string Tiff()
{
    const std::string path = fuzz::ScratchDir() + "/seed.tif";
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 5u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1u);
    uint8_t row[15];
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t i = 0; i < 15; ++i)
            row[i] = static_cast<uint8_t>(i * 17 + y * 40);
        TIFFWriteScanline(tif, row, y, 0);
    }
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(path);
    return bytes;
}

std::string Webp(bool lossless)
{
    uint8_t rgba[5 * 3 * 4];
    for (size_t i = 0; i < sizeof rgba; ++i)
        rgba[i] = static_cast<uint8_t>(i * 29);
    uint8_t* out = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessRGBA(rgba, 5, 3, 20, &out) : WebPEncodeRGBA(rgba, 5, 3, 20, 75, &out);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    WebPFree(out);
    return bytes;
}

// A 5x3 pattern of comp channels written by one of stb's writers.
template <typename Writer>
std::string Written(Writer write, int comp)
{
    Bytes pixels(size_t(5 * 3 * comp));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 37);
    std::string out;
    write(out, pixels.data(), comp);
    return out;
}
} // namespace

const char* const kFuzzReproPatterns[] = {"image-*/*.img", "*/*.png", "*/*.jpg", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    const auto jpeg = [](std::string& out, const uint8_t* p, int comp) {
        stbi_write_jpg_to_func(Append, &out, 5, 3, comp, p, 80);
    };
    const auto bmp = [](std::string& out, const uint8_t* p, int comp) {
        stbi_write_bmp_to_func(Append, &out, 5, 3, comp, p);
    };
    const auto tga = [](std::string& out, const uint8_t* p, int comp) {
        stbi_write_tga_to_func(Append, &out, 5, 3, comp, p);
    };
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9,
                       0x21, 0xF9, 4, 1, 0, 0, 2, 0, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 4, 0x04, 0xC3, 0x50, 0x05,
                       0, 0x3B};
    return {
        {"png-rgba8-srgb", Str(testimg::Png(2, 2, 8, 6, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, true))},
        {"png-gray16", Str(testimg::Png(3, 1, 16, 0, {0, 30000, 65535}))},
        {"png-grayalpha", Str(testimg::Png(1, 2, 8, 4, {10, 20, 30, 40}))},
        {"jpeg-gray", Written(jpeg, 1)},
        {"jpeg-rgb", Written(jpeg, 3)},
        {"bmp-24", Written(bmp, 3)},
        {"bmp-32", Str(testimg::Bmp(2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}))},
        {"tga-gray", Written(tga, 1)},
        {"tga-rgba", Written(tga, 4)},
        {"gif", Str(gif)},
        {"hdr", Str(testimg::Hdr(2, 1, {0.5f, 1.0f, 2.0f, 0.0f, 0.25f, 8.0f}))},
        {"tiff-lzw", Tiff()},
        {"webp-lossless", Webp(true)},
        {"webp-lossy", Webp(false)},
        {"dds-bgra", Str(testimg::Dds(2, 1, {0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}}, {1, 2, 3, 4, 5, 6, 7, 8}))},
        {"dds-bc1", Str(testimg::Dds(4, 4, {0x4, testimg::FourCc("DXT1"), 0, {}}, {0x00, 0xF8, 0x1F, 0x00, 0x1B, 0xE4, 0x1B, 0xE4}))},
        {"ico-png", Str(testimg::Ico(1, 2, testimg::Png(1, 2, 8, 4, {10, 20, 30, 40})))},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedImage image;
    std::string error;
    DecodeImageMemory(data, size, image, error);
    // A smaller device limit takes the resizing path too.
    DecodeImageMemory(data, size, image, error, 4);
    return 0;
}
