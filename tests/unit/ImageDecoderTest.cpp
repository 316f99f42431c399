// Image decoding: formats, sizes and sRGB choice per kind of file, one picture
// per container beyond the everyday ones (TIFF, WebP, DDS, ICO, BMP RLE, a GIF
// whose code table fills), the metadata readers on damaged input, fitting under
// the size limit, declared sizes refused before decoding, clean failures, and
// PngSuite when ML_PNGSUITE_DIR points at it. Every file is generated here.
#include "assets/ImageDecoder.h"
#include "assets/image/ExifColorSpace.h"
#include "assets/image/ImageScaler.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stb_image.h>
#include <tiffio.h>
#include <vector>
#include <webp/encode.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop
// The writer's file functions are static here and unused; naming them keeps the compiler quiet.
[[maybe_unused]] static const void* const kUnusedWriters[] = {
    reinterpret_cast<const void*>(&stbi_write_png), reinterpret_cast<const void*>(&stbi_write_bmp),
    reinterpret_cast<const void*>(&stbi_write_tga), reinterpret_cast<const void*>(&stbi_write_jpg),
    reinterpret_cast<const void*>(&stbi_write_hdr), reinterpret_cast<const void*>(&stbi_flip_vertically_on_write)};

namespace {

using testimg::Bytes;
using testimg::PutBe32;
using testimg::PutLe;
using testimg::PutPngChunk;
using F = DxgiFormat;

void Append(void* context, void* data, int size)
{
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A w x h image of `comp` channels whose pixel i channel c is (i * 40 + c * 70) mod 256.
Bytes Pattern(int w, int h, int comp)
{
    Bytes p(size_t(w * h * comp));
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = uint8_t((i / comp) * 40 + (i % comp) * 70);
    return p;
}

// Writes Pattern(w, h, comp) as 'p'ng, 'b'mp, 't'ga or 'j'peg.
Bytes Write(char kind, int w, int h, int comp)
{
    Bytes out;
    const Bytes pixels = Pattern(w, h, comp);
    if (kind == 'p')
        stbi_write_png_to_func(Append, &out, w, h, comp, pixels.data(), 0);
    else if (kind == 'b')
        stbi_write_bmp_to_func(Append, &out, w, h, comp, pixels.data());
    else if (kind == 't')
        stbi_write_tga_to_func(Append, &out, w, h, comp, pixels.data());
    else
        stbi_write_jpg_to_func(Append, &out, w, h, comp, pixels.data(), 90);
    return out;
}

using testimg::PngFromRows;

// An Exif APP1 segment whose Exif IFD holds ColorSpace with the given type.
Bytes ExifSegment(bool bigEndian, uint16_t type, uint32_t value)
{
    Bytes t;
    auto u16 = [&](uint16_t v) {
        t.push_back(uint8_t(bigEndian ? v >> 8 : v));
        t.push_back(uint8_t(bigEndian ? v : v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(uint16_t(bigEndian ? v >> 16 : v));
        u16(uint16_t(bigEndian ? v : v >> 16));
    };
    t = bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    u16(42), u32(8);                                      // IFD0 at 8
    u16(1), u16(0x8769), u16(4), u32(1), u32(26), u32(0); // one entry: the Exif IFD at 26
    u16(1), u16(0xA001), u16(type), u32(1);               // Exif IFD: ColorSpace
    type == 3 ? (u16(uint16_t(value)), u16(0)) : u32(value);
    u32(0);
    Bytes seg = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    seg.insert(seg.end(), t.begin(), t.end());
    seg[2] = uint8_t((seg.size() - 2) >> 8), seg[3] = uint8_t(seg.size() - 2);
    return seg;
}

Bytes WithSegment(Bytes jpeg, const Bytes& segment)
{
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// A GIF of two 2x2 frames; frame 1 has palette indices 0,1,1,2 with index 2
// transparent, frame 2 is all index 3. Each LZW stream sends a clear code
// before every pixel, so every code stays 3 bits wide.
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9,
                    0x21, 0xF9, 4, 1, 0, 0, 2, 0, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 4, 0x04, 0xC3, 0x50, 0x05, 0,
                    0x21, 0xF9, 4, 1, 0, 0, 2, 0, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 4, 0x1C, 0xC7, 0x71, 0x05, 0,
                    0x3B};

struct Decoded {
    bool ok;
    DecodedImage image;
    std::string error;

    // Pixel (x, y) as its bytes.
    Bytes At(uint32_t x, uint32_t y) const
    {
        const uint32_t n = DecodedBytesPerPixel(image.format);
        const uint8_t* p = image.pixels.get() + size_t(y) * image.rowPitch + size_t(x) * n;
        return Bytes(p, p + n);
    }
};

Decoded Decode(const Bytes& file, uint32_t maxSize = kMaxImageSize)
{
    Decoded d;
    d.ok = DecodeImageMemory(file.data(), file.size(), d.image, d.error, maxSize);
    return d;
}

// A 4x2 RGB picture: red, green, blue, white over gray ramps.
const Bytes kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};

Bytes Rgba(const Bytes& rgb, uint8_t alpha = 255)
{
    Bytes out;
    for (size_t i = 0; i < rgb.size(); i += 3)
        out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], alpha});
    return out;
}

Bytes Repeat(const Bytes& pixel, size_t count)
{
    Bytes out;
    for (size_t i = 0; i < count; ++i)
        out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

// Four-channel pixels with the first and third channels swapped (RGBA <-> BGRA).
Bytes SwapRedBlue(Bytes pixels)
{
    for (size_t i = 0; i < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

// kRgb as a BMP stores it: bottom row first, B, G, R (rows already 12 bytes).
Bytes BottomUpBgr()
{
    Bytes rows;
    for (int y = 1; y >= 0; --y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = &kRgb[size_t(y * 4 + x) * 3];
            rows.insert(rows.end(), {p[2], p[1], p[0]});
        }
    return rows;
}

Bytes ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A TIFF written by libtiff: `samples` 8-bit samples a pixel, strips or 2x2 tiles.
Bytes Tiff(const Bytes& pixels, uint16_t samples, uint16_t photometric, uint16_t compression, bool tiled = false,
           const std::vector<uint16_t>& colourMap = {})
{
    const auto path = std::filesystem::path(testing::TempDir()) / "ml_container_test.tif";
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    const uint16_t bits = colourMap.empty() ? 8 : 2;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (samples == 4) {
        const uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!colourMap.empty())
        TIFFSetField(tif, TIFFTAG_COLORMAP, colourMap.data(), colourMap.data() + 4, colourMap.data() + 8);
    const size_t row = colourMap.empty() ? 4u * samples : 1u;
    if (tiled) {
        // Tiles are at least 16x16; the 4x2 picture sits in the first one.
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        Bytes tile(16 * 16 * samples, 0);
        for (size_t y = 0; y < 2; ++y)
            std::memcpy(tile.data() + y * 16 * samples, pixels.data() + y * row, row);
        TIFFWriteTile(tif, tile.data(), 0, 0, 0, 0);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1u);
        for (uint32_t y = 0; y < 2; ++y)
            TIFFWriteScanline(tif, const_cast<uint8_t*>(pixels.data() + y * row), y, 0);
    }
    TIFFClose(tif);
    Bytes file = ReadAll(path);
    std::filesystem::remove(path);
    return file;
}

// A 4x4 block of one colour: BC1 colour half (both end points the colour, every index 0).
Bytes Bc1Colour(uint16_t colour565)
{
    Bytes b;
    PutLe(b, colour565, 2);
    PutLe(b, colour565, 2);
    PutLe(b, 0, 4);
    return b;
}

} // namespace


TEST(ImageDecoder, StbWrittenFilesGetTheImagingFormats)
{
    const struct {
        const char* what;
        Bytes file;
        DxgiFormat format;
        Bytes firstPixel; // Pattern's pixel 0 is (0, 70, 140, 210)
    } cases[] = {
        {"gray PNG", Write('p', 3, 2, 1), F::R8_UNORM, {0}},
        {"gray+alpha PNG", Write('p', 3, 2, 2), F::B8G8R8A8_UNORM, {0, 0, 0, 70}},
        {"RGB PNG", Write('p', 3, 2, 3), F::R8G8B8A8_UNORM, {0, 70, 140, 255}},
        {"RGBA PNG", Write('p', 3, 2, 4), F::B8G8R8A8_UNORM, {140, 70, 0, 210}},
        {"24-bit BMP", Write('b', 3, 2, 3), F::R8G8B8A8_UNORM, {0, 70, 140, 255}},
        {"32-bit BMP with alpha mask", Write('b', 3, 2, 4), F::B8G8R8A8_UNORM, {140, 70, 0, 210}},
        {"gray TGA", Write('t', 3, 2, 1), F::R8_UNORM, {0}},
        {"RGBA TGA", Write('t', 3, 2, 4), F::R8G8B8A8_UNORM, {0, 70, 140, 210}},
        {"GIF first frame", kGif, F::R8G8B8A8_UNORM, {255, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = Decode(c.file);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.image.format, c.format);
        EXPECT_FALSE(d.image.srgb);
        EXPECT_EQ(d.image.rowPitch, d.image.width * DecodedBytesPerPixel(c.format));
        EXPECT_EQ(d.At(0, 0), c.firstPixel);
    }
    // The GIF's transparent index reads as alpha 0, and the second frame is not used.
    const Decoded gif = Decode(kGif);
    EXPECT_EQ(Bytes(gif.image.pixels.get() + 12, gif.image.pixels.get() + 16), (Bytes{0, 0, 0, 0}));

    Bytes hdr;
    const float rgb[6] = {0.5f, 2.0f, 8.0f, 1.0f, 1.0f, 1.0f};
    stbi_write_hdr_to_func(Append, &hdr, 2, 1, 3, rgb);
    const Decoded h = Decode(hdr);
    ASSERT_TRUE(h.ok) << h.error;
    EXPECT_EQ(h.image.format, F::R32G32B32A32_FLOAT);
    float first[4];
    std::memcpy(first, h.image.pixels.get(), sizeof first);
    EXPECT_EQ(std::vector<float>(first, first + 4), (std::vector<float>{0.5f, 2.0f, 8.0f, 1.0f}));
}

TEST(ImageDecoder, CraftedPngsAndTheSrgbChunk)
{
    const Bytes palette = {10, 20, 30, 200, 210, 220};
    const uint16_t gray16 = 0x1234;
    const auto* gray16Bytes = reinterpret_cast<const uint8_t*>(&gray16);
    const struct {
        const char* what;
        Bytes file;
        DxgiFormat plain, withSrgb;
        Bytes firstPixel;
    } cases[] = {
        {"8-bit palette, tRNS", PngFromRows(2, 1, 8, 3, {{1, 0}}, palette, {128}), F::R8G8B8A8_UNORM,
         F::R8G8B8A8_UNORM_SRGB, {200, 210, 220, 255}},
        {"2-bit palette", PngFromRows(4, 1, 2, 3, {{0x10}}, palette), F::R8G8B8A8_UNORM, F::R8G8B8A8_UNORM_SRGB,
         {10, 20, 30, 255}},
        {"1-bit gray", PngFromRows(8, 1, 1, 0, {{0x80}}), F::R8_UNORM, F::R8_UNORM, {255}},
        {"16-bit gray", PngFromRows(1, 1, 16, 0, {{0x12, 0x34}}), F::R16_UNORM, F::R16_UNORM,
         Bytes(gray16Bytes, gray16Bytes + 2)},
        {"16-bit gray+alpha", PngFromRows(1, 1, 16, 4, {{0, 0, 0xFF, 0xFF}}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}},
        {"16-bit RGB", PngFromRows(1, 1, 16, 2, {{0, 1, 0, 2, 0, 3}}), F::R16G16B16A16_UNORM, F::R16G16B16A16_UNORM,
         {1, 0, 2, 0, 3, 0, 0xFF, 0xFF}},
        {"16-bit RGBA", PngFromRows(1, 1, 16, 6, {{0, 1, 0, 2, 0, 3, 0, 4}}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {1, 0, 2, 0, 3, 0, 4, 0}},
        {"8-bit RGB", PngFromRows(1, 1, 8, 2, {{1, 2, 3}}), F::R8G8B8A8_UNORM, F::R8G8B8A8_UNORM_SRGB, {1, 2, 3, 255}},
        {"8-bit RGBA", PngFromRows(1, 1, 8, 6, {{1, 2, 3, 4}}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB,
         {3, 2, 1, 4}},
        // A gray colour key keeps its transparency: gray becomes BGRA as gray+alpha does.
        {"8-bit gray, tRNS", PngFromRows(2, 1, 8, 0, {{5, 9}}, {}, {0, 9}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB,
         {5, 5, 5, 255}},
        {"16-bit gray, tRNS", PngFromRows(2, 1, 16, 0, {{0, 5, 0x12, 0x34}}, {}, {0x12, 0x34}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {5, 0, 5, 0, 5, 0, 0xFF, 0xFF}},
        {"2-bit gray, tRNS", PngFromRows(4, 1, 2, 0, {{0x1B}}, {}, {0, 3}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB,
         {0, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded plain = Decode(c.file);
        ASSERT_TRUE(plain.ok) << plain.error;
        EXPECT_EQ(plain.image.format, c.plain);
        EXPECT_FALSE(plain.image.srgb);
        EXPECT_EQ(plain.At(0, 0), c.firstPixel);

        Bytes tagged(c.file.begin(), c.file.begin() + 33); // signature and IHDR
        PutPngChunk(tagged, "sRGB", {0});
        tagged.insert(tagged.end(), c.file.begin() + 33, c.file.end());
        const Decoded srgb = Decode(tagged);
        ASSERT_TRUE(srgb.ok) << srgb.error;
        EXPECT_EQ(srgb.image.format, c.withSrgb);
        EXPECT_TRUE(srgb.image.srgb);
    }
    // The keyed pixels are transparent.
    const Decoded keyed8 = Decode(PngFromRows(2, 1, 8, 0, {{5, 9}}, {}, {0, 9}));
    EXPECT_EQ(keyed8.image.pixels[7], 0);
    const Decoded keyed2 = Decode(PngFromRows(4, 1, 2, 0, {{0x1B}}, {}, {0, 3}));
    EXPECT_EQ(Bytes(keyed2.image.pixels.get() + 12, keyed2.image.pixels.get() + 16), (Bytes{255, 255, 255, 0}));

    // Checksums are verified: a damaged CRC of a critical chunk, or of the zlib
    // stream, fails the file. An sRGB chunk after the image data does not count.
    const Bytes good = PngFromRows(2, 1, 8, 2, {{1, 2, 3, 4, 5, 6}});
    ASSERT_TRUE(Decode(good).ok);
    Bytes badHeaderCrc = good;
    badHeaderCrc[29] ^= 1; // IHDR's CRC
    Bytes badDataCrc = good;
    badDataCrc[badDataCrc.size() - 13] ^= 1; // IDAT's CRC, before IEND's 12 bytes
    Bytes badAdler = good;
    badAdler[badAdler.size() - 17] ^= 1; // the zlib stream's Adler-32, before IDAT's CRC
    for (Bytes* broken : {&badHeaderCrc, &badDataCrc, &badAdler}) {
        const Decoded d = Decode(*broken);
        EXPECT_FALSE(d.ok);
        EXPECT_NE(d.error.find("PNG"), std::string::npos) << d.error;
    }
    Bytes lateSrgb(good.begin(), good.end() - 12);
    PutPngChunk(lateSrgb, "sRGB", {0});
    PutPngChunk(lateSrgb, "IEND", {});
    EXPECT_FALSE(Decode(lateSrgb).image.srgb);
}

TEST(ImageDecoder, JpegExifColorSpaceAndBmpWithoutAlpha)
{
    const Bytes jpeg = Write('j', 16, 8, 3);
    const struct {
        Bytes segment;
        DxgiFormat format;
    } cases[] = {
        {{}, F::R8G8B8A8_UNORM},
        {ExifSegment(false, 3, 1), F::R8G8B8A8_UNORM_SRGB},
        {ExifSegment(true, 3, 1), F::R8G8B8A8_UNORM_SRGB},
        {ExifSegment(true, 3, 0xFFFF), F::R8G8B8A8_UNORM}, // uncalibrated
        {ExifSegment(false, 4, 1), F::R8G8B8A8_UNORM},     // a LONG is not the SHORT asked for
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(WithSegment(jpeg, c.segment));
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.image.format, c.format);
        EXPECT_EQ(d.image.width, 16u);
        EXPECT_EQ(d.image.height, 8u);
    }
    // Every cut of the Exif block is read safely (each copy is exactly that long).
    const Bytes exif = ExifSegment(true, 3, 1);
    const Bytes block(exif.begin() + 4, exif.end());
    EXPECT_EQ(ExifColorSpace(block.data(), block.size()), 1);
    for (size_t n = 0; n < block.size(); ++n) {
        const Bytes cut(block.begin(), block.begin() + long(n));
        const int colourSpace = ExifColorSpace(cut.data(), n);
        EXPECT_TRUE(colourSpace == -1 || colourSpace == 1) << n;
    }

    // A Huffman table of more than 256 codes fails the file cleanly.
    Bytes badTable = jpeg;
    const uint8_t dht[] = {0xFF, 0xC4};
    const size_t at = size_t(std::search(badTable.begin(), badTable.end(), dht, dht + 2) - badTable.begin());
    ASSERT_LT(at, badTable.size());
    badTable[at + 5] = 255;
    EXPECT_FALSE(Decode(badTable).ok);

    // A plain BITMAPINFOHEADER 32-bit BMP: BGRX, bottom-up rows, X reads as opaque.
    const Decoded d = Decode(testimg::BmpFile(testimg::BmpInfoHeader(1, 2, 32, 0), {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.image.format, F::B8G8R8X8_UNORM);
    EXPECT_EQ(d.At(0, 0), (Bytes{4, 5, 6, 255}));
}

TEST(ImageDecoder, FitsUnderTheSizeLimitByAreaAveraging)
{
    auto size = [](uint32_t w, uint32_t h, uint32_t max) {
        const ImageSize s = ScaledImageSize(w, h, max);
        return std::make_pair(s.width, s.height);
    };
    EXPECT_EQ(size(4000, 1000, 4096), std::make_pair(4000u, 1000u));
    EXPECT_EQ(size(8000, 1000, 4096), std::make_pair(4096u, 512u));
    EXPECT_EQ(size(1000, 8000, 4096), std::make_pair(512u, 4096u));
    EXPECT_EQ(size(20000, 10, kMaxImageSize), std::make_pair(16384u, 8u));

    // 4x2 gray down to 2x1: each output is the mean of a 2x2 block.
    Bytes png;
    const uint8_t gray[8] = {0, 100, 10, 30, 200, 50, 20, 40};
    stbi_write_png_to_func(Append, &png, 4, 2, 1, gray, 0);
    const Decoded d = Decode(png, 2);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(std::make_pair(d.image.width, d.image.height), std::make_pair(2u, 1u));
    EXPECT_EQ(Bytes(d.image.pixels.get(), d.image.pixels.get() + 2), (Bytes{88, 25}));

    // A fractional footprint: 3 -> 2 covers pixel 1 half by each output.
    const float src[3] = {3.0f, 6.0f, 9.0f};
    float dst[2];
    ScaleImageFant(src, 3, 1, dst, 2, 1, 1, ChannelType::Float32);
    EXPECT_FLOAT_EQ(dst[0], 4.0f);
    EXPECT_FLOAT_EQ(dst[1], 8.0f);

    // Too thin to keep a row after fitting: refused rather than a 0-sized texture.
    EXPECT_FALSE(Decode(PngFromRows(5000, 1, 8, 0, {Bytes(5000, 0)}), 16).ok);
}

TEST(ImageDecoder, DamagedMissingAndUnknownFilesFailWithoutAnImage)
{
    stbi_write_tga_with_rle = 0;
    const Bytes tga = Write('t', 32, 32, 3);
    stbi_write_tga_with_rle = 1;
    Bytes hdr;
    const std::vector<float> light(32 * 32 * 3, 0.25f);
    stbi_write_hdr_to_func(Append, &hdr, 32, 32, 3, light.data());
    for (const Bytes& file : {Write('p', 32, 32, 3), Write('j', 32, 32, 3), Write('b', 32, 32, 3), tga, hdr}) {
        ASSERT_TRUE(Decode(file).ok);
        for (size_t keep : {file.size() / 2, file.size() * 9 / 10, file.size() - 3}) {
            const Decoded d = Decode(Bytes(file.begin(), file.begin() + long(keep)));
            EXPECT_FALSE(d.ok) << "kept " << keep << " of " << file.size();
            EXPECT_FALSE(d.error.empty());
            EXPECT_EQ(d.image.pixels, nullptr);
            EXPECT_EQ(d.image.width, 0u);
        }
    }
    // A run-length TGA of a few bytes that claims 16384x16384: refused before any pixel is made.
    const Bytes claim = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 32, 8, 0xFF, 1, 2, 3, 4};
    EXPECT_EQ(Decode(claim).error, "image data ends early");
    EXPECT_EQ(Decode(Bytes(claim.begin(), claim.begin() + 17)).error, "image data ends early"); // header cut short
    const Bytes gif = kGif;
    EXPECT_FALSE(Decode(Bytes(gif.begin(), gif.begin() + 30)).ok);
    EXPECT_FALSE(Decode(Bytes{}).ok);
    const std::string text = "this is not an image\n";
    EXPECT_FALSE(Decode(Bytes(text.begin(), text.end())).ok);

    DecodedImage image;
    std::string error;
    EXPECT_FALSE(DecodeImageFile("Data\\NoSuchImage.png", image, error));
    EXPECT_NE(error.find("NoSuchImage"), std::string::npos);

    // Files are found as Windows would find them: '\\' separators, any case.
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "ml_image_decoder";
    std::filesystem::create_directories(dir / "Textures");
    const Bytes png = Write('p', 5, 3, 4);
    testimg::WriteFile((dir / "Textures" / "Logo.PNG").string(), png);
    ASSERT_TRUE(DecodeImageFile((dir / "textures\\logo.png").string(), image, error)) << error;
    EXPECT_EQ(image.SizeBytes(), 5u * 3u * 4u);
    std::filesystem::remove_all(dir);
}

TEST(ImageDecoder, TiffWebpDdsIcoBmpAndGifPictures)
{
    const Bytes rgba = Rgba(kRgb);
    struct Case {
        const char* what;
        Bytes file;
        DxgiFormat format;
        Bytes expected; // every pixel, in the format's byte order
        int tolerance = 0;
        bool srgb = false;
    };
    std::vector<Case> cases;

    // TIFF: strips, uncompressed and LZW, tiles, premultiplied alpha divided out, a 2-bit palette.
    cases.push_back({"TIFF RGB", Tiff(kRgb, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE), F::R8G8B8A8_UNORM, rgba});
    cases.push_back({"TIFF RGB LZW", Tiff(kRgb, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW), F::R8G8B8A8_UNORM, rgba});
    cases.push_back({"TIFF RGB tiled", Tiff(kRgb, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW, true), F::R8G8B8A8_UNORM, rgba});
    Bytes premultiplied, straight;
    for (size_t i = 0; i < 8; ++i) {
        premultiplied.insert(premultiplied.end(), {uint8_t(kRgb[i * 3] / 2), uint8_t(kRgb[i * 3 + 1] / 2), 0, 128});
        straight.insert(straight.end(), {uint8_t(kRgb[i * 3] / 2 * 255 / 128), uint8_t(kRgb[i * 3 + 1] / 2 * 255 / 128), 0, 128});
    }
    cases.push_back({"TIFF RGBA premultiplied", Tiff(premultiplied, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE),
                     F::R8G8B8A8_UNORM, straight, 1});
    const std::vector<uint16_t> map = {0xFFFF, 0, 0, 0x8080, 0, 0xFFFF, 0, 0x8080, 0, 0, 0xFFFF, 0x8080};
    cases.push_back({"TIFF 2-bit palette", Tiff({0x1B, 0xE4}, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, false, map),
                     F::R8G8B8A8_UNORM,
                     {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 255,
                      128, 128, 128, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}});

    // WebP, straight BGRA: lossless exactly, lossy near.
    Bytes rgbaAlpha = rgba;
    for (size_t i = 3; i < rgbaAlpha.size(); i += 4)
        rgbaAlpha[i] = uint8_t(100 + i - 3);
    const Bytes bgra = SwapRedBlue(rgbaAlpha);
    uint8_t* encoded = nullptr;
    size_t encodedSize = WebPEncodeLosslessRGBA(rgbaAlpha.data(), 4, 2, 16, &encoded);
    cases.push_back({"WebP lossless", Bytes(encoded, encoded + encodedSize), F::B8G8R8A8_UNORM, bgra});
    WebPFree(encoded);
    // Flat colours survive lossy coding well: a 16x16 picture of one colour.
    encodedSize = WebPEncodeRGB(Repeat({200, 100, 50}, 256).data(), 16, 16, 48, 100.0f, &encoded);
    cases.push_back(
        {"WebP lossy", Bytes(encoded, encoded + encodedSize), F::B8G8R8A8_UNORM, Repeat({50, 100, 200, 255}, 256), 3});
    WebPFree(encoded);

    // DDS: masks that are a texture format as they stand, masks that are not, BC1 to BC3, the DX10 header.
    testimg::DdsPixelFormat bgraMasks{0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    cases.push_back({"DDS BGRA", testimg::Dds(4, 2, bgraMasks, bgra), F::B8G8R8A8_UNORM, bgra});
    testimg::DdsPixelFormat bgr565{0x40, 0, 16, {0xF800, 0x07E0, 0x001F, 0}};
    Bytes packed;
    for (size_t i = 0; i < rgba.size(); i += 4)
        PutLe(packed, uint32_t(rgba[i] >> 3 << 11 | rgba[i + 1] >> 2 << 5 | rgba[i + 2] >> 3), 2);
    Bytes expanded565;
    for (size_t i = 0; i < rgba.size(); i += 4)
        expanded565.insert(expanded565.end(), {uint8_t((rgba[i] >> 3) * 255 / 31), uint8_t((rgba[i + 1] >> 2) * 255 / 63),
                                               uint8_t((rgba[i + 2] >> 3) * 255 / 31), 255});
    cases.push_back({"DDS 5:6:5 by masks", testimg::Dds(4, 2, bgr565, packed), F::R8G8B8A8_UNORM, expanded565, 1});
    // One 4x4 block covers the 4x2 picture: BC1 solid red; BC2 red at alpha 8/15; BC3 green at alpha 0x40.
    const Bytes red = Repeat({255, 0, 0, 255}, 8);
    testimg::DdsPixelFormat dxt{0x4, 0, 0, {}};
    dxt.fourCc = testimg::FourCc("DXT1");
    cases.push_back({"DDS BC1", testimg::Dds(4, 2, dxt, Bc1Colour(0xF800)), F::R8G8B8A8_UNORM, red});
    Bytes bc2(8, 0x88);
    const Bytes redBlock = Bc1Colour(0xF800);
    bc2.insert(bc2.end(), redBlock.begin(), redBlock.end());
    dxt.fourCc = testimg::FourCc("DXT3");
    cases.push_back({"DDS BC2", testimg::Dds(4, 2, dxt, bc2), F::R8G8B8A8_UNORM, Repeat({255, 0, 0, 136}, 8)});
    Bytes bc3 = {0x40, 0x40, 0, 0, 0, 0, 0, 0};
    const Bytes greenBlock = Bc1Colour(0x07E0);
    bc3.insert(bc3.end(), greenBlock.begin(), greenBlock.end());
    dxt.fourCc = testimg::FourCc("DXT5");
    cases.push_back({"DDS BC3", testimg::Dds(4, 2, dxt, bc3), F::R8G8B8A8_UNORM, Repeat({0, 255, 0, 0x40}, 8)});
    cases.push_back({"DDS DX10 BC1 sRGB", testimg::Dds(4, 2, {}, Bc1Colour(0xF800), int(F::BC1_UNORM_SRGB)),
                     F::R8G8B8A8_UNORM_SRGB, red, 0, true});
    cases.push_back({"DDS DX10 RGBA", testimg::Dds(4, 2, {}, rgba, int(F::R8G8B8A8_UNORM)), F::R8G8B8A8_UNORM, rgba});

    // ICO: a PNG entry decodes as that PNG; a BMP entry gets its transparency mask.
    std::vector<uint16_t> samples(kRgb.begin(), kRgb.end());
    cases.push_back({"ICO with a PNG", testimg::Ico(4, 2, testimg::Png(4, 2, 8, 2, samples)), F::R8G8B8A8_UNORM, rgba});
    Bytes dib = testimg::BmpInfoHeader(4, 4, 24, 0);
    const Bytes bgr = BottomUpBgr();
    dib.insert(dib.end(), bgr.begin(), bgr.end());
    dib.insert(dib.end(), {0x00, 0, 0, 0, 0x50, 0, 0, 0}); // mask: bottom row opaque; top row x = 1 and 3 clear
    Bytes masked = SwapRedBlue(rgba);
    masked[7] = masked[15] = 0;
    cases.push_back({"ICO with a BMP", testimg::Ico(4, 2, dib), F::B8G8R8A8_UNORM, masked});

    // BMP: run-length data with runs, a literal run, a move and the end markers; a
    // truecolour file with an (unused) palette between header and pixels.
    const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0}; // red, green, blue, white
    auto paletted = [&](uint16_t bits, uint32_t compression, const Bytes& data) {
        Bytes head = testimg::BmpInfoHeader(4, 2, bits, compression, 4);
        head.insert(head.end(), palette.begin(), palette.end());
        return testimg::BmpFile(head, data);
    };
    // Bottom row: 2 x red, then move 1 right (skipped: entry 0, red), then a literal blue. Top row: literal 3 2 1 0.
    const Bytes rle8 = {2, 0, 0, 2, 1, 0, 1, 2, 0, 0, 0, 4, 3, 2, 1, 0, 0, 1};
    const Bytes rle4 = {2, 0x00, 0, 2, 1, 0, 1, 0x22, 0, 0, 0, 4, 0x32, 0x10, 0, 1};
    const Bytes rleExpected = {255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255,
                               255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255};
    cases.push_back({"BMP RLE8", paletted(8, 1, rle8), F::R8G8B8A8_UNORM, rleExpected});
    cases.push_back({"BMP RLE4", paletted(4, 2, rle4), F::R8G8B8A8_UNORM, rleExpected});
    cases.push_back({"BMP 24-bit with palette fields", paletted(24, 0, BottomUpBgr()), F::R8G8B8A8_UNORM, rgba});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = Decode(c.file);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.image.format, c.format);
        EXPECT_EQ(d.image.srgb, c.srgb);
        const uint32_t side = c.expected.size() == 16 * 16 * 4 ? 16 : 4;
        ASSERT_EQ(std::make_pair(d.image.width, d.image.height), std::make_pair(side, side == 16 ? 16u : 2u));
        ASSERT_EQ(d.image.SizeBytes(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i)
            ASSERT_NEAR(d.image.pixels[i], c.expected[i], c.tolerance) << "byte " << i;
    }

    // A GIF whose code table fills and then goes on without a clear code (stb
    // refused those with "too many codes").
    Bytes gifPalette(768);
    for (size_t i = 0; i < gifPalette.size(); ++i)
        gifPalette[i] = uint8_t(i * 7);
    Bytes indices(256 * 128);
    uint32_t seed = 1;
    for (uint8_t& index : indices) {
        seed = seed * 1664525u + 1013904223u;
        index = uint8_t(seed >> 24);
    }
    const Decoded gif = Decode(testimg::GifWithFullCodeTable(256, 128, gifPalette, indices));
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.image.format, F::R8G8B8A8_UNORM);
    for (size_t i = 0; i < indices.size(); ++i)
        ASSERT_EQ(Bytes(gif.image.pixels.get() + i * 4, gif.image.pixels.get() + i * 4 + 3),
                  Bytes(&gifPalette[indices[i] * 3u], &gifPalette[indices[i] * 3u] + 3))
            << "pixel " << i;
}

TEST(ImageDecoder, DeclaredSizesBeyondTheBudgetAreRefusedBeforeDecoding)
{
    // A 16384x16384 RGBA16 PNG with one row of data (2 GiB decoded).
    const Bytes fixed = PngFromRows(16384, 16384, 16, 6, {Bytes(16384 * 8, 0)});
    // A 13-byte GIF header claiming 18431x17993; a 16384x16384 GIF holding a 1x1 frame.
    const Bytes gifHeader = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0x47, 0x49, 0x46, 0, 0, 0};
    Bytes bigGif = {'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 0, 0x40, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                    0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    // A JPEG, a DDS, a BMP and a TIFF declaring 60000x60000.
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0xEA, 0x60, 0xEA, 0x60, 1, 1, 0x11, 0,
                  0xFF, 0xC4, 0, 20, 0, 1};
    jpeg.resize(jpeg.size() + 16, 0);
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0, 0, 0xFF, 0xD9});
    testimg::DdsPixelFormat masks{0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    const Bytes dds = testimg::Dds(60000, 60000, masks, Bytes(64, 0));
    const Bytes bmp = testimg::BmpFile(testimg::BmpInfoHeader(60000, 60000, 24, 0), Bytes(64, 0));
    Bytes tiff = Tiff(kRgb, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE);
    for (const uint8_t sizeTag : {0, 1}) { // ImageWidth, ImageLength: SHORT, little-endian
        const uint8_t entry[] = {sizeTag, 1, 3, 0};
        const auto tag = std::search(tiff.begin(), tiff.end(), std::begin(entry), std::end(entry));
        ASSERT_NE(tag, tiff.end());
        tag[8] = 0x60, tag[9] = 0xEA; // 60000
    }
    for (const Bytes* file : std::initializer_list<const Bytes*>{&fixed, &gifHeader, &bigGif, &jpeg, &dds, &bmp, &tiff}) {
        const auto start = std::chrono::steady_clock::now();
        const Decoded d = Decode(*file);
        EXPECT_FALSE(d.ok);
        EXPECT_NE(d.error.find("MiB"), std::string::npos) << d.error;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
}

// PngSuite (the standard PNG test set; Debian's libstb source carries all of
// it under tests/pngsuite, libpng's its basic files under contrib/pngsuite;
// `apt-get source libstb libpng1.6` outside the checkout, never committed):
// every x* file is refused; every other file decodes to the samples stb_image,
// an independent decoder, reads from it.
TEST(ImageDecoder, PngSuiteWhenPresent)
{
    const char* dir = std::getenv("ML_PNGSUITE_DIR");
    if (!dir)
        GTEST_SKIP() << "set ML_PNGSUITE_DIR to a folder of PngSuite files";
    int decoded = 0, refused = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.path().extension() != ".png")
            continue;
        SCOPED_TRACE(entry.path().string());
        const Bytes file = ReadAll(entry.path());
        const Decoded d = Decode(file);
        // Apple's CgBI variant (libstb's iphone folder) is not PNG: refused like the broken files.
        const bool appleCgbi = file.size() > 16 && std::memcmp(file.data() + 12, "CgBI", 4) == 0;
        if (entry.path().filename().string()[0] == 'x' || appleCgbi) {
            EXPECT_FALSE(d.ok);
            refused += !d.ok;
            continue;
        }
        ASSERT_TRUE(d.ok) << d.error;
        int w = 0, h = 0, n = 0;
        stbi_us* reference = stbi_load_16_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
        ASSERT_NE(reference, nullptr);
        ASSERT_EQ(std::make_pair(uint32_t(w), uint32_t(h)), std::make_pair(d.image.width, d.image.height));
        const bool wide = d.image.format == F::R16_UNORM || d.image.format == F::R16G16B16A16_UNORM;
        const bool gray = d.image.format == F::R8_UNORM || d.image.format == F::R16_UNORM;
        const bool bgr = d.image.format == F::B8G8R8A8_UNORM || d.image.format == F::B8G8R8A8_UNORM_SRGB;
        int mismatches = 0;
        for (int i = 0; i < w * h; ++i) {
            for (int c = 0; c < (gray ? 1 : 4); ++c) {
                const int channel = bgr && c < 3 ? 2 - c : c;
                const size_t at = size_t(i) * (gray ? 1 : 4) + size_t(channel);
                uint16_t ours = 0;
                if (wide)
                    std::memcpy(&ours, d.image.pixels.get() + at * 2, 2);
                else
                    ours = uint16_t(d.image.pixels[at] * 257);
                mismatches += ours != reference[i * 4 + c];
            }
        }
        stbi_image_free(reference);
        EXPECT_EQ(mismatches, 0);
        ++decoded;
    }
    std::printf("PngSuite: %d files decoded pixel-exactly, %d broken files refused\n", decoded, refused);
}
