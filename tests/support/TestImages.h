// Small image files for tests, built byte by byte so that every field the
// decoder looks at is under the test's control: PNG of any colour type and depth
// (stored, uncompressed deflate), with or without an sRGB chunk; 24- and 32-bit
// BMP, and BMP of any header, palette and pixel bytes; flat Radiance HDR; DDS;
// icons; GIF with an LZW stream that never clears its full code table. No
// encoder quality: tests only.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
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

// A PNG built chunk by chunk: `rows` are raw scanlines without the filter byte,
// any depth and colour type; PLTE and tRNS when given.
inline Bytes PngFromRows(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                         const std::vector<Bytes>& rows, const Bytes& palette = {}, const Bytes& trns = {},
                         bool srgbChunk = false)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, 0});
    PutPngChunk(png, "IHDR", ihdr);
    if (srgbChunk)
        PutPngChunk(png, "sRGB", {0});
    if (!palette.empty())
        PutPngChunk(png, "PLTE", palette);
    if (!trns.empty())
        PutPngChunk(png, "tRNS", trns);
    Bytes raw;
    for (const Bytes& row : rows) {
        raw.push_back(0); // filter: none
        raw.insert(raw.end(), row.begin(), row.end());
    }
    PutPngChunk(png, "IDAT", ZlibStored(raw));
    PutPngChunk(png, "IEND", {});
    return png;
}

// PNG colour types: 0 gray, 2 RGB, 4 gray + alpha, 6 RGBA. `samples` holds the
// channels of each pixel in that order, top row first: 0..255 at depth 8,
// 0..65535 at depth 16.
inline Bytes Png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                 const std::vector<uint16_t>& samples, bool srgbChunk = false)
{
    const uint32_t channels = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 4 ? 2 : 4;
    std::vector<Bytes> rows(height);
    size_t i = 0;
    for (Bytes& row : rows)
        for (uint32_t x = 0; x < width * channels; ++x, ++i) {
            if (depth == 16)
                row.push_back(static_cast<uint8_t>(samples[i] >> 8));
            row.push_back(static_cast<uint8_t>(samples[i]));
        }
    return PngFromRows(width, height, depth, colourType, rows, {}, {}, srgbChunk);
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

// A BMP file around a device-independent bitmap whose parts are given as they
// stand; the file header's pixel offset points right after `beforePixels`
// (header, masks, palette).
inline Bytes BmpFile(const Bytes& beforePixels, const Bytes& pixels)
{
    Bytes bmp = {'B', 'M'};
    PutLe(bmp, static_cast<uint32_t>(14 + beforePixels.size() + pixels.size()), 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, static_cast<uint32_t>(14 + beforePixels.size()), 4);
    bmp.insert(bmp.end(), beforePixels.begin(), beforePixels.end());
    bmp.insert(bmp.end(), pixels.begin(), pixels.end());
    return bmp;
}

// A 40-byte BITMAPINFOHEADER.
inline Bytes BmpInfoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                           uint32_t coloursUsed = 0)
{
    Bytes h;
    PutLe(h, 40, 4);
    PutLe(h, static_cast<uint32_t>(width), 4);
    PutLe(h, static_cast<uint32_t>(height), 4);
    PutLe(h, 1, 2);
    PutLe(h, bitCount, 2);
    PutLe(h, compression, 4);
    PutLe(h, 0, 4);
    PutLe(h, 2835, 4);
    PutLe(h, 2835, 4);
    PutLe(h, coloursUsed, 4);
    PutLe(h, 0, 4);
    return h;
}

// An uncompressed bottom-up BMP with a 40-byte header (no masks). `pixels` are
// top row first, as B, G, R (24-bit) or B, G, R, X (32-bit).
inline Bytes Bmp(uint32_t width, uint32_t height, uint16_t bitCount, const Bytes& pixels)
{
    const uint32_t rowBytes = width * (bitCount / 8u);
    Bytes rows;
    for (uint32_t row = height; row-- > 0;) {
        const auto* first = pixels.data() + static_cast<size_t>(row) * rowBytes;
        rows.insert(rows.end(), first, first + rowBytes);
        rows.insert(rows.end(), ((rowBytes + 3) & ~3u) - rowBytes, 0);
    }
    return BmpFile(BmpInfoHeader(static_cast<int32_t>(width), static_cast<int32_t>(height), bitCount, 0), rows);
}

// A DDS file: the legacy header with a FourCC or bit masks, optionally the
// DX10 header naming a DXGI format, then `data` (the first surface).
struct DdsPixelFormat {
    uint32_t flags = 0;
    uint32_t fourCc = 0;
    uint32_t bits = 0;
    uint32_t masks[4] = {};
};
inline uint32_t FourCc(const char* s)
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}
inline Bytes Dds(uint32_t width, uint32_t height, const DdsPixelFormat& pf, const Bytes& data, int dx10Format = -1)
{
    Bytes dds = {'D', 'D', 'S', ' '};
    PutLe(dds, 124, 4);
    PutLe(dds, 0x1007, 4); // caps, height, width, pixel format
    PutLe(dds, height, 4);
    PutLe(dds, width, 4);
    PutLe(dds, 0, 4);
    PutLe(dds, 0, 4);
    PutLe(dds, 1, 4);
    dds.insert(dds.end(), 44, 0);
    PutLe(dds, 32, 4);
    PutLe(dds, dx10Format >= 0 ? 0x4 : pf.flags, 4);
    PutLe(dds, dx10Format >= 0 ? FourCc("DX10") : pf.fourCc, 4);
    PutLe(dds, pf.bits, 4);
    for (uint32_t m : pf.masks)
        PutLe(dds, m, 4);
    PutLe(dds, 0x1000, 4);
    dds.insert(dds.end(), 16, 0);
    if (dx10Format >= 0) {
        PutLe(dds, static_cast<uint32_t>(dx10Format), 4);
        PutLe(dds, 3, 4); // a 2D texture
        PutLe(dds, 0, 4);
        PutLe(dds, 1, 4);
        PutLe(dds, 0, 4);
    }
    dds.insert(dds.end(), data.begin(), data.end());
    return dds;
}

// An icon file whose directory holds one entry with `image` (a PNG file, or a
// DIB whose header counts the transparency mask in its height).
inline Bytes Ico(uint8_t width, uint8_t height, const Bytes& image)
{
    Bytes ico = {0, 0, 1, 0, 1, 0, width, height, 0, 0, 1, 0, 32, 0};
    PutLe(ico, static_cast<uint32_t>(image.size()), 4);
    PutLe(ico, 22, 4);
    ico.insert(ico.end(), image.begin(), image.end());
    return ico;
}

// A GIF89a of one width x height frame of 8-bit palette indices. Its LZW
// stream fills the code table and goes on at 12 bits without a clear code, as
// many real encoders do.
inline Bytes GifWithFullCodeTable(uint16_t width, uint16_t height, const Bytes& palette768, const Bytes& indices)
{
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    PutLe(gif, width, 2);
    PutLe(gif, height, 2);
    gif.insert(gif.end(), {0xF7, 0, 0}); // global table of 256 colours
    gif.insert(gif.end(), palette768.begin(), palette768.end());
    gif.push_back(0x2C);
    PutLe(gif, 0, 4);
    PutLe(gif, width, 2);
    PutLe(gif, height, 2);
    gif.push_back(0);
    gif.push_back(8); // minimum code size

    Bytes stream;
    uint32_t acc = 0, accBits = 0;
    auto emit = [&](uint32_t code, uint32_t bits) {
        acc |= code << accBits;
        accBits += bits;
        while (accBits >= 8) {
            stream.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            accBits -= 8;
        }
    };
    const uint32_t clear = 256, end = 257;
    uint32_t next = 258, bits = 9;
    std::map<uint32_t, uint32_t> table;
    auto put = [&](uint32_t code) {
        emit(code, bits);
        // The decoder adds its entries one code later, so widths grow after the code that reaches the limit.
        if (next >= (1u << bits) && bits < 12)
            ++bits;
    };
    emit(clear, bits);
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const uint32_t key = prefix << 8 | indices[i];
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        put(prefix);
        if (next < 4096)
            table[key] = next++;
        prefix = indices[i];
    }
    put(prefix);
    emit(end, bits);
    if (accBits)
        stream.push_back(static_cast<uint8_t>(acc));
    for (size_t at = 0; at < stream.size(); at += 255) {
        const size_t n = std::min<size_t>(255, stream.size() - at);
        gif.push_back(static_cast<uint8_t>(n));
        gif.insert(gif.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                   stream.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

} // namespace testimg
