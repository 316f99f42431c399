// Device-independent bitmaps: 1, 2, 4 and 8-bit palette images, run-length
// encoded 4- and 8-bit images, 16- and 32-bit images by bit masks, 24-bit BGR.
// Formats follow the imaging component's: 32-bit images stay BGRX, or BGRA
// when the header carries an alpha mask; everything else becomes RGBA. Pixels
// that run-length data skips take palette entry 0.
#include "assets/image/DibDecoder.h"

#include "assets/image/ChannelMasks.h"
#include "assets/image/ImageBudget.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5, BI_ALPHABITFIELDS = 6 };

struct DibHeader {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; // negative: top row first
    uint32_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t coloursUsed = 0;
    ChannelMasks masks;
    bool hasMasks = false;
    size_t masksAfterHeader = 0; // bytes of masks between the header and the palette
    uint32_t paletteEntrySize = 4;
};

bool ReadHeader(const uint8_t* dib, size_t size, DibHeader& h, std::string& error)
{
    if (size < 12) {
        error = "damaged BMP header";
        return false;
    }
    h.headerSize = Le32(dib);
    if (h.headerSize == 12) { // OS/2 and Windows 2 core header
        h.width = Le16(dib + 4);
        h.height = Le16(dib + 6);
        h.bitCount = Le16(dib + 10);
        h.paletteEntrySize = 3;
        return true;
    }
    if (h.headerSize < 16 || h.headerSize > size || size < 16) {
        error = "damaged BMP header";
        return false;
    }
    // Fields past the header's own size read as 0 (OS/2 2.x headers may stop early).
    uint8_t info[124] = {};
    std::memcpy(info, dib, std::min<size_t>(h.headerSize, sizeof info));
    h.width = int32_t(Le32(info + 4));
    h.height = int32_t(Le32(info + 8));
    h.bitCount = Le16(info + 14);
    h.compression = Le32(info + 16);
    h.coloursUsed = Le32(info + 32);
    if (h.headerSize == 64 && (h.compression == 3 || h.compression == 4)) {
        error = "OS/2 Huffman and 24-bit run-length BMP data is not supported";
        return false;
    }
    if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
        h.hasMasks = true;
        const bool withAlpha = h.compression == BI_ALPHABITFIELDS || h.headerSize >= 56;
        if (h.headerSize >= 52) {
            h.masks = {{Le32(info + 40)}, {Le32(info + 44)}, {Le32(info + 48)}, {withAlpha ? Le32(info + 52) : 0}};
        } else {
            const size_t count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
            h.masksAfterHeader = count * 4;
            if (size < h.headerSize + h.masksAfterHeader) {
                error = "damaged BMP header";
                return false;
            }
            const uint8_t* m = dib + h.headerSize;
            h.masks = {{Le32(m)}, {Le32(m + 4)}, {Le32(m + 8)}, {count == 4 ? Le32(m + 12) : 0}};
        }
    } else if (h.headerSize >= 56 && (h.bitCount == 16 || h.bitCount == 32)) {
        h.masks.a = {Le32(info + 52)}; // V4/V5 headers carry an alpha mask even for BI_RGB
    }
    return true;
}

struct Palette {
    uint8_t rgb[256][3] = {};
    uint32_t count = 0;

    void Put(uint32_t index, uint8_t* rgba) const
    {
        if (index < count)
            std::memcpy(rgba, rgb[index], 3);
        else
            rgba[0] = rgba[1] = rgba[2] = 0;
        rgba[3] = 255;
    }
};

// Expands run-length data into one palette index per pixel, bottom row first.
bool DecodeRle(const uint8_t* p, const uint8_t* end, bool four, uint32_t width, uint32_t height,
               std::vector<uint8_t>& indices, std::string& error)
{
    indices.assign(size_t(width) * height, 0);
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t index) {
        if (x < width && y < height)
            indices[size_t(y) * width + x] = index;
        ++x;
    };
    while (y < height) {
        if (end - p < 2) {
            error = "image data ends early";
            return false;
        }
        const uint8_t count = p[0], value = p[1];
        p += 2;
        if (count > 0) { // a run of one index, or of two alternating ones
            for (uint32_t i = 0; i < count; ++i)
                put(four ? uint8_t(i % 2 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // move right and up
            if (end - p < 2) {
                error = "image data ends early";
                return false;
            }
            x += p[0];
            y += p[1];
            p += 2;
        } else { // `value` literal indices, padded to a 16-bit boundary
            const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (size_t(end - p) < bytes) {
                error = "image data ends early";
                return false;
            }
            for (uint32_t i = 0; i < value; ++i)
                put(four ? uint8_t(i % 2 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            p += std::min(padded, size_t(end - p));
        }
    }
    return true; // every row is there, though the end marker is not
}

} // namespace

bool DecodeDib(const uint8_t* dib, size_t size, const DibPlacement& placement, DecodedImage& image,
               std::string& error)
{
    image = DecodedImage{};
    DibHeader h;
    if (!ReadHeader(dib, size, h, error))
        return false;
    if (h.compression == BI_JPEG || h.compression == BI_PNG) {
        error = "BMP files holding JPEG or PNG data are not supported";
        return false;
    }
    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    const bool bitsOk = rle ? h.bitCount == (h.compression == BI_RLE8 ? 8u : 4u)
                            : (h.bitCount == 1 || h.bitCount == 2 || h.bitCount == 4 || h.bitCount == 8 ||
                               h.bitCount == 16 || h.bitCount == 24 || h.bitCount == 32);
    if (!bitsOk || (h.hasMasks && h.bitCount != 16 && h.bitCount != 32) ||
        (!rle && !h.hasMasks && h.compression != BI_RGB)) {
        error = "unsupported BMP layout: " + std::to_string(h.bitCount) + " bits, compression " +
                std::to_string(h.compression);
        return false;
    }
    const bool topDown = h.height < 0;
    const int64_t fullHeight = topDown ? -h.height : h.height;
    const int64_t height64 = placement.icon ? fullHeight / 2 : fullHeight;
    if (h.width <= 0 || height64 <= 0 || (rle && topDown)) {
        error = "damaged BMP header: a " + std::to_string(h.width) + "x" + std::to_string(h.height) + " image";
        return false;
    }
    const uint32_t width = uint32_t(std::min<int64_t>(h.width, int64_t(kMaxImageSide) + 1));
    const uint32_t height = uint32_t(std::min<int64_t>(height64, int64_t(kMaxImageSide) + 1));

    // The palette: entries for low bit counts, and "optional" ones a truecolour
    // file may carry (skipped: the pixels are found past them).
    Palette palette;
    const size_t paletteAt = h.headerSize + h.masksAfterHeader;
    uint64_t paletteEntries = h.coloursUsed ? h.coloursUsed : (h.bitCount <= 8 ? (1u << h.bitCount) : 0);
    if (h.headerSize == 12 && h.bitCount <= 8)
        paletteEntries = 1u << h.bitCount;
    const uint64_t paletteEnd = paletteAt + paletteEntries * h.paletteEntrySize;
    if (h.bitCount <= 8) {
        palette.count = uint32_t(std::min<uint64_t>({paletteEntries, 256, (size - std::min(size, paletteAt)) / h.paletteEntrySize}));
        for (uint32_t i = 0; i < palette.count; ++i) {
            const uint8_t* e = dib + paletteAt + size_t(i) * h.paletteEntrySize;
            palette.rgb[i][0] = e[2], palette.rgb[i][1] = e[1], palette.rgb[i][2] = e[0];
        }
    }
    size_t pixelAt = placement.pixelOffset;
    if (pixelAt == 0 || pixelAt < paletteAt || pixelAt >= size)
        pixelAt = size_t(std::min<uint64_t>(paletteEnd, size));

    const bool bgrx32 = h.bitCount == 32 && !placement.icon;
    const DxgiFormat format = placement.icon ? DxgiFormat::B8G8R8A8_UNORM
                              : bgrx32 ? (h.masks.a.mask ? DxgiFormat::B8G8R8A8_UNORM : DxgiFormat::B8G8R8X8_UNORM)
                                       : DxgiFormat::R8G8B8A8_UNORM;
    const uint64_t scratch = rle ? uint64_t(width) * height : 0;
    if (!AllocateImage(image, format, width, height, error, scratch))
        return false;
    const bool blueFirst = format != DxgiFormat::R8G8B8A8_UNORM;
    const uint8_t* pixels = dib + pixelAt;
    const size_t available = size - pixelAt;
    const size_t stride = ((uint64_t(width) * h.bitCount + 31) / 32) * 4;

    std::vector<uint8_t> indices;
    if (rle) {
        if (!DecodeRle(pixels, pixels + available, h.compression == BI_RLE4, width, height, indices, error)) {
            image = DecodedImage{};
            return false;
        }
    } else if (available / stride < height) {
        error = "image data ends early";
        image = DecodedImage{};
        return false;
    }

    ChannelMasks masks = h.masks;
    if (!h.hasMasks && h.bitCount == 16)
        masks = {{0x7C00}, {0x03E0}, {0x001F}, masks.a};
    if (!h.hasMasks && h.bitCount == 32)
        masks = {{0x00FF0000}, {0x0000FF00}, {0x000000FF}, masks.a};
    bool anyAlpha = false;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t fileRow = topDown ? y : height - 1 - y;
        const uint8_t* in = rle ? nullptr : pixels + size_t(fileRow) * stride;
        uint8_t* out = image.pixels.get() + size_t(y) * image.rowPitch;
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            uint8_t rgba[4];
            if (rle) {
                palette.Put(indices[size_t(fileRow) * width + x], rgba);
            } else if (h.bitCount <= 8) {
                const uint32_t bit = x * h.bitCount;
                const uint32_t index = (in[bit / 8] >> (8 - h.bitCount - bit % 8)) & ((1u << h.bitCount) - 1);
                palette.Put(index, rgba);
            } else if (h.bitCount == 24) {
                const uint8_t* p = in + size_t(x) * 3;
                rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0], rgba[3] = 255;
            } else {
                const uint8_t* p = in + size_t(x) * h.bitCount / 8;
                masks.ToRgba(h.bitCount == 16 ? Le16(p) : Le32(p), rgba);
                // An icon's 32-bit data carries alpha in its top byte whatever the header says.
                if (placement.icon && h.bitCount == 32 && !masks.a.mask)
                    rgba[3] = p[3];
            }
            anyAlpha = anyAlpha || rgba[3] != 255;
            if (blueFirst)
                std::swap(rgba[0], rgba[2]);
            std::memcpy(out, rgba, 4);
        }
    }

    // An icon's transparency mask: 1 bit a pixel, rows padded to 32 bits, after
    // the image. 32-bit icons whose own alpha is used ignore it.
    if (placement.icon && !(h.bitCount == 32 && anyAlpha)) {
        const size_t maskStride = ((size_t(width) + 31) / 32) * 4;
        const size_t maskAt = pixelAt + stride * height;
        if (maskAt <= size && (size - maskAt) / maskStride >= height) {
            for (uint32_t y = 0; y < height; ++y) {
                const uint8_t* in = dib + maskAt + size_t(topDown ? y : height - 1 - y) * maskStride;
                uint8_t* out = image.pixels.get() + size_t(y) * image.rowPitch;
                for (uint32_t x = 0; x < width; ++x)
                    out[x * 4 + 3] = (in[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
            }
        }
    }
    return true;
}
