// Image decoding: formats, sizes and sRGB choice per kind of file, the
// metadata readers on damaged input, fitting under the size limit, and clean
// failures. Every image is generated here.
#include "assets/ImageDecoder.h"
#include "assets/image/ExifColorSpace.h"
#include "assets/image/ImageScaler.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

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

using Bytes = std::vector<uint8_t>;

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

using testimg::PutBe32;

void PutChunk(Bytes& png, const char* type, const Bytes& body)
{
    testimg::PutPngChunk(png, type, body);
}

// A PNG built chunk by chunk; rows are raw scanlines without the filter byte.
Bytes MakePng(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, const std::vector<Bytes>& rows,
              const Bytes& palette = {}, const Bytes& trns = {})
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, w);
    PutBe32(ihdr, h);
    ihdr.insert(ihdr.end(), {depth, type, 0, 0, 0});
    PutChunk(png, "IHDR", ihdr);
    if (!palette.empty())
        PutChunk(png, "PLTE", palette);
    if (!trns.empty())
        PutChunk(png, "tRNS", trns);
    Bytes raw;
    for (const Bytes& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    int zlen = 0;
    unsigned char* z = stbi_zlib_compress(raw.data(), int(raw.size()), &zlen, 8);
    PutChunk(png, "IDAT", Bytes(z, z + zlen));
    STBIW_FREE(z);
    PutChunk(png, "IEND", {});
    return png;
}

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
};

Decoded Decode(const Bytes& file, uint32_t maxSize = kMaxImageSize)
{
    Decoded d;
    d.ok = DecodeImageMemory(file.data(), file.size(), d.image, d.error, maxSize);
    return d;
}

Bytes FirstPixel(const DecodedImage& image)
{
    return Bytes(image.pixels.get(), image.pixels.get() + DecodedBytesPerPixel(image.format));
}

using F = DxgiFormat;

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
        EXPECT_EQ(FirstPixel(d.image), c.firstPixel);
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
        {"8-bit palette, tRNS", MakePng(2, 1, 8, 3, {{1, 0}}, palette, {128}), F::R8G8B8A8_UNORM,
         F::R8G8B8A8_UNORM_SRGB, {200, 210, 220, 255}},
        {"2-bit palette", MakePng(4, 1, 2, 3, {{0x10}}, palette), F::R8G8B8A8_UNORM, F::R8G8B8A8_UNORM_SRGB,
         {10, 20, 30, 255}},
        {"1-bit gray", MakePng(8, 1, 1, 0, {{0x80}}), F::R8_UNORM, F::R8_UNORM, {255}},
        {"16-bit gray", MakePng(1, 1, 16, 0, {{0x12, 0x34}}), F::R16_UNORM, F::R16_UNORM,
         Bytes(gray16Bytes, gray16Bytes + 2)},
        {"16-bit gray+alpha", MakePng(1, 1, 16, 4, {{0, 0, 0xFF, 0xFF}}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}},
        {"16-bit RGB", MakePng(1, 1, 16, 2, {{0, 1, 0, 2, 0, 3}}), F::R16G16B16A16_UNORM, F::R16G16B16A16_UNORM,
         {1, 0, 2, 0, 3, 0, 0xFF, 0xFF}},
        {"16-bit RGBA", MakePng(1, 1, 16, 6, {{0, 1, 0, 2, 0, 3, 0, 4}}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {1, 0, 2, 0, 3, 0, 4, 0}},
        {"8-bit RGB", MakePng(1, 1, 8, 2, {{1, 2, 3}}), F::R8G8B8A8_UNORM, F::R8G8B8A8_UNORM_SRGB, {1, 2, 3, 255}},
        {"8-bit RGBA", MakePng(1, 1, 8, 6, {{1, 2, 3, 4}}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB, {3, 2, 1, 4}},
        // A gray colour key keeps its transparency: gray becomes BGRA as gray+alpha does.
        {"8-bit gray, tRNS", MakePng(2, 1, 8, 0, {{5, 9}}, {}, {0, 9}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB,
         {5, 5, 5, 255}},
        {"16-bit gray, tRNS", MakePng(2, 1, 16, 0, {{0, 5, 0x12, 0x34}}, {}, {0x12, 0x34}), F::R16G16B16A16_UNORM,
         F::R16G16B16A16_UNORM, {5, 0, 5, 0, 5, 0, 0xFF, 0xFF}},
        {"2-bit gray, tRNS", MakePng(4, 1, 2, 0, {{0x1B}}, {}, {0, 3}), F::B8G8R8A8_UNORM, F::B8G8R8A8_UNORM_SRGB,
         {0, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded plain = Decode(c.file);
        ASSERT_TRUE(plain.ok) << plain.error;
        EXPECT_EQ(plain.image.format, c.plain);
        EXPECT_FALSE(plain.image.srgb);
        EXPECT_EQ(FirstPixel(plain.image), c.firstPixel);

        Bytes tagged(c.file.begin(), c.file.begin() + 33); // signature and IHDR
        PutChunk(tagged, "sRGB", {0});
        tagged.insert(tagged.end(), c.file.begin() + 33, c.file.end());
        const Decoded srgb = Decode(tagged);
        ASSERT_TRUE(srgb.ok) << srgb.error;
        EXPECT_EQ(srgb.image.format, c.withSrgb);
        EXPECT_TRUE(srgb.image.srgb);
    }
    // The keyed pixels are transparent.
    const Decoded keyed8 = Decode(MakePng(2, 1, 8, 0, {{5, 9}}, {}, {0, 9}));
    EXPECT_EQ(keyed8.image.pixels[7], 0);
    const Decoded keyed2 = Decode(MakePng(4, 1, 2, 0, {{0x1B}}, {}, {0, 3}));
    EXPECT_EQ(Bytes(keyed2.image.pixels.get() + 12, keyed2.image.pixels.get() + 16), (Bytes{255, 255, 255, 0}));

    // Checksums are verified: a damaged CRC of a critical chunk, or of the zlib
    // stream, fails the file. An sRGB chunk after the image data does not count.
    const Bytes good = MakePng(2, 1, 8, 2, {{1, 2, 3, 4, 5, 6}});
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
    PutChunk(lateSrgb, "sRGB", {0});
    PutChunk(lateSrgb, "IEND", {});
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
    Bytes bmp = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0};
    bmp.resize(54);
    bmp.insert(bmp.end(), {1, 2, 3, 0, 4, 5, 6, 0}); // bottom row, then top row
    const Decoded d = Decode(bmp);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.image.format, F::B8G8R8X8_UNORM);
    EXPECT_EQ(FirstPixel(d.image), (Bytes{4, 5, 6, 255}));
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
    EXPECT_FALSE(Decode(MakePng(5000, 1, 8, 0, {Bytes(5000, 0)}), 16).ok);
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
    std::ofstream(dir / "Textures" / "Logo.PNG", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), long(png.size()));
    ASSERT_TRUE(DecodeImageFile((dir / "textures\\logo.png").string(), image, error)) << error;
    EXPECT_EQ(image.SizeBytes(), 5u * 3u * 4u);
    std::filesystem::remove_all(dir);
}
