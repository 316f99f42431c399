// Small image files for tests, built byte by byte so that every field the
// decoder looks at is under the test's control: PNG of any colour type and depth
// (stored, uncompressed deflate), with or without an sRGB chunk; 24- and 32-bit
// BMP; flat Radiance HDR. No encoder quality, no compression: tests only.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testimg {

using Bytes = std::vector<uint8_t>;

inline void PutBe32(Bytes& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<uint8_t>(v >> s));
}

inline void PutLe(Bytes& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void PutPngChunk(Bytes& png, const char* type, const Bytes& body)
{
    PutBe32(png, static_cast<uint32_t>(body.size()));
    Bytes crcInput(type, type + 4);
    crcInput.insert(crcInput.end(), body.begin(), body.end());
    png.insert(png.end(), crcInput.begin(), crcInput.end());
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : crcInput) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    PutBe32(png, ~crc);
}

// A zlib stream of stored deflate blocks.
inline Bytes ZlibStored(const Bytes& data)
{
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(data.size() - at, 65535);
        z.push_back(at + n == data.size() ? 1 : 0);
        PutLe(z, static_cast<uint32_t>(n), 2);
        PutLe(z, static_cast<uint32_t>(~n & 0xFFFF), 2);
        z.insert(z.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);
    return z;
}

// PNG colour types: 0 gray, 2 RGB, 4 gray + alpha, 6 RGBA. `samples` holds the
// channels of each pixel in that order, top row first: 0..255 at depth 8,
// 0..65535 at depth 16.
inline Bytes Png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                 const std::vector<uint16_t>& samples, bool srgbChunk = false)
{
    const uint32_t channels = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 4 ? 2 : 4;
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, 0});
    PutPngChunk(png, "IHDR", ihdr);
    if (srgbChunk)
        PutPngChunk(png, "sRGB", {0});
    Bytes raw;
    size_t i = 0;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        for (uint32_t x = 0; x < width * channels; ++x, ++i) {
            if (depth == 16)
                raw.push_back(static_cast<uint8_t>(samples[i] >> 8));
            raw.push_back(static_cast<uint8_t>(samples[i]));
        }
    }
    PutPngChunk(png, "IDAT", ZlibStored(raw));
    PutPngChunk(png, "IEND", {});
    return png;
}

// An uncompressed bottom-up BMP with a 40-byte header (no masks). `pixels` are
// top row first, as B, G, R (24-bit) or B, G, R, X (32-bit).
inline Bytes Bmp(uint32_t width, uint32_t height, uint16_t bitCount, const Bytes& pixels)
{
    const uint32_t bytesPerPixel = bitCount / 8;
    const uint32_t rowBytes = (width * bytesPerPixel + 3) & ~3u;
    Bytes bmp = {'B', 'M'};
    PutLe(bmp, 54 + rowBytes * height, 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, 54, 4);
    PutLe(bmp, 40, 4);
    PutLe(bmp, width, 4);
    PutLe(bmp, height, 4);
    PutLe(bmp, 1, 2);
    PutLe(bmp, bitCount, 2);
    PutLe(bmp, 0, 4); // BI_RGB
    PutLe(bmp, rowBytes * height, 4);
    PutLe(bmp, 2835, 4);
    PutLe(bmp, 2835, 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, 0, 4);
    for (uint32_t row = height; row-- > 0;) {
        const auto* first = pixels.data() + static_cast<size_t>(row) * width * bytesPerPixel;
        bmp.insert(bmp.end(), first, first + width * bytesPerPixel);
        bmp.insert(bmp.end(), rowBytes - width * bytesPerPixel, 0);
    }
    return bmp;
}

// A Radiance file with flat (not run-length) RGBE scanlines; `rgb` top row first.
inline Bytes Hdr(uint32_t width, uint32_t height, const std::vector<float>& rgb)
{
    const std::string head = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(height) + " +X " +
                             std::to_string(width) + "\n";
    Bytes hdr(head.begin(), head.end());
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const float m = std::max({rgb[i], rgb[i + 1], rgb[i + 2]});
        if (m < 1e-32f) {
            hdr.insert(hdr.end(), {0, 0, 0, 0});
            continue;
        }
        int e = 0;
        const float scale = std::frexp(m, &e) * 256.0f / m;
        for (int c = 0; c < 3; ++c)
            hdr.push_back(static_cast<uint8_t>(rgb[i + static_cast<size_t>(c)] * scale));
        hdr.push_back(static_cast<uint8_t>(e + 128));
    }
    return hdr;
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

} // namespace testimg
