// DirectDraw Surface files, the first surface only (mip 0 of the first array
// element, face or slice). Block-compressed BC1 to BC3 (DXT1 to DXT5, also
// under the DX10 header) are decoded to RGBA through libsquish, as the
// imaging component decodes them; uncompressed data is kept where its layout
// is one a texture takes as is, and unpacked by its bit masks otherwise. An
// sRGB format under the DX10 header makes an sRGB texture.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ChannelMasks.h"
#include "assets/image/ImageBudget.h"

#include <cstring>
#include <squish.h>

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
constexpr uint32_t FourCc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

enum : uint32_t { DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000 };
constexpr size_t kMagic = 4, kHeader = 124, kDx10Header = 20;

// How the first surface's data becomes a decoded image.
enum class Source { Squish, Copy, Masks };

struct DdsRule {
    DxgiFormat stored;  // the surface format, as the DX10 header names it
    Source source;
    int squishFlags;    // for Source::Squish
    DxgiFormat decoded; // the texture format of the result
    bool srgb;
};
constexpr DdsRule kRules[] = {
    {DxgiFormat::BC1_UNORM, Source::Squish, squish::kDxt1, DxgiFormat::R8G8B8A8_UNORM, false},
    {DxgiFormat::BC1_UNORM_SRGB, Source::Squish, squish::kDxt1, DxgiFormat::R8G8B8A8_UNORM, true},
    {DxgiFormat::BC2_UNORM, Source::Squish, squish::kDxt3, DxgiFormat::R8G8B8A8_UNORM, false},
    {DxgiFormat::BC2_UNORM_SRGB, Source::Squish, squish::kDxt3, DxgiFormat::R8G8B8A8_UNORM, true},
    {DxgiFormat::BC3_UNORM, Source::Squish, squish::kDxt5, DxgiFormat::R8G8B8A8_UNORM, false},
    {DxgiFormat::BC3_UNORM_SRGB, Source::Squish, squish::kDxt5, DxgiFormat::R8G8B8A8_UNORM, true},
    {DxgiFormat::R8G8B8A8_UNORM, Source::Copy, 0, DxgiFormat::R8G8B8A8_UNORM, false},
    {DxgiFormat::R8G8B8A8_UNORM_SRGB, Source::Copy, 0, DxgiFormat::R8G8B8A8_UNORM, true},
    {DxgiFormat::B8G8R8A8_UNORM, Source::Copy, 0, DxgiFormat::B8G8R8A8_UNORM, false},
    {DxgiFormat::B8G8R8A8_UNORM_SRGB, Source::Copy, 0, DxgiFormat::B8G8R8A8_UNORM, true},
    {DxgiFormat::B8G8R8X8_UNORM, Source::Copy, 0, DxgiFormat::B8G8R8X8_UNORM, false},
    {DxgiFormat::B8G8R8X8_UNORM_SRGB, Source::Copy, 0, DxgiFormat::B8G8R8X8_UNORM, true},
    {DxgiFormat::R16G16B16A16_UNORM, Source::Copy, 0, DxgiFormat::R16G16B16A16_UNORM, false},
    {DxgiFormat::R32G32B32A32_FLOAT, Source::Copy, 0, DxgiFormat::R32G32B32A32_FLOAT, false},
    {DxgiFormat::R32_FLOAT, Source::Copy, 0, DxgiFormat::R32_FLOAT, false},
    {DxgiFormat::R16_UNORM, Source::Copy, 0, DxgiFormat::R16_UNORM, false},
    {DxgiFormat::R8_UNORM, Source::Copy, 0, DxgiFormat::R8_UNORM, false},
    {DxgiFormat::A8_UNORM, Source::Copy, 0, DxgiFormat::A8_UNORM, false},
};

// Legacy FourCC codes of block-compressed surfaces. DXT2 and DXT4 are the
// premultiplied variants; their colours are passed on as stored.
struct FourCcRule {
    uint32_t fourCc;
    DxgiFormat stored;
};
constexpr FourCcRule kFourCcs[] = {
    {FourCc("DXT1"), DxgiFormat::BC1_UNORM}, {FourCc("DXT2"), DxgiFormat::BC2_UNORM},
    {FourCc("DXT3"), DxgiFormat::BC2_UNORM}, {FourCc("DXT4"), DxgiFormat::BC3_UNORM},
    {FourCc("DXT5"), DxgiFormat::BC3_UNORM},
};

// Legacy uncompressed layouts that are a DXGI format as they stand.
struct MaskRule {
    uint32_t bits, r, g, b, a;
    DxgiFormat stored;
};
constexpr MaskRule kMaskRules[] = {
    {32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, DxgiFormat::R8G8B8A8_UNORM},
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, DxgiFormat::B8G8R8A8_UNORM},
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, DxgiFormat::B8G8R8X8_UNORM},
};

const DdsRule* FindRule(DxgiFormat stored)
{
    for (const DdsRule& rule : kRules)
        if (rule.stored == stored)
            return &rule;
    return nullptr;
}

} // namespace

bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    if (size < kMagic + kHeader || std::memcmp(data, "DDS ", 4) != 0 || Le32(data + 4) != kHeader) {
        error = "damaged DDS header";
        return false;
    }
    const uint8_t* h = data + kMagic;
    const uint32_t height = Le32(h + 8);
    const uint32_t width = Le32(h + 12);
    const uint8_t* pf = h + 72; // the pixel format block: size, flags, FourCC, bit count, four masks
    const uint32_t pfFlags = Le32(pf + 4);
    const uint32_t fourCc = Le32(pf + 8);
    const uint32_t bits = Le32(pf + 12);
    const ChannelMasks masks{{Le32(pf + 16)}, {Le32(pf + 20)}, {Le32(pf + 24)}, {Le32(pf + 28)}};
    size_t at = kMagic + kHeader;

    DxgiFormat stored = DxgiFormat::UNKNOWN;
    bool byMasks = false;
    if ((pfFlags & DDPF_FOURCC) && fourCc == FourCc("DX10")) {
        if (size < at + kDx10Header) {
            error = "damaged DDS header";
            return false;
        }
        stored = static_cast<DxgiFormat>(Le32(data + at));
        at += kDx10Header;
    } else if (pfFlags & DDPF_FOURCC) {
        for (const FourCcRule& rule : kFourCcs)
            if (rule.fourCc == fourCc)
                stored = rule.stored;
        if (stored == DxgiFormat::UNKNOWN) {
            const char name[5] = {char(fourCc), char(fourCc >> 8), char(fourCc >> 16), char(fourCc >> 24), 0};
            error = std::string("DDS surfaces in '") + name + "' are not supported";
            return false;
        }
    } else if ((pfFlags & DDPF_LUMINANCE) && bits == 8 && !(pfFlags & DDPF_ALPHAPIXELS)) {
        stored = DxgiFormat::R8_UNORM;
    } else if ((pfFlags & DDPF_LUMINANCE) && bits == 16 && masks.r.mask == 0xFFFF) {
        stored = DxgiFormat::R16_UNORM;
    } else if ((pfFlags & DDPF_ALPHA) && bits == 8) {
        stored = DxgiFormat::A8_UNORM;
    } else if ((pfFlags & (DDPF_RGB | DDPF_LUMINANCE)) && (bits == 16 || bits == 24 || bits == 32)) {
        const uint32_t alpha = (pfFlags & DDPF_ALPHAPIXELS) ? masks.a.mask : 0;
        for (const MaskRule& rule : kMaskRules)
            if (rule.bits == bits && rule.r == masks.r.mask && rule.g == masks.g.mask && rule.b == masks.b.mask &&
                rule.a == alpha)
                stored = rule.stored;
        byMasks = stored == DxgiFormat::UNKNOWN;
    }

    const DdsRule* rule = byMasks ? nullptr : FindRule(stored);
    if (!byMasks && !rule) {
        error = stored == DxgiFormat::UNKNOWN ? "unsupported DDS pixel layout"
                                              : "DDS surfaces in " + DescribeDxgiFormat(stored) + " are not supported";
        return false;
    }
    const DxgiFormat decoded = byMasks ? DxgiFormat::R8G8B8A8_UNORM : rule->decoded;
    if (!AllocateImage(image, decoded, width, height, error))
        return false;
    image.srgb = rule && rule->srgb;

    // The surface's bytes: rows of texels (pitch computed from the width, as the
    // header's pitch field is unreliable) or rows of 4x4 blocks.
    const size_t available = size - at;
    const uint8_t* surface = data + at;
    auto endsEarly = [&] {
        error = "image data ends early";
        image = DecodedImage{};
        return false;
    };
    if (rule && rule->source == Source::Squish) {
        const DxgiFormatInfo* layout = FindDxgiFormat(stored);
        if (layout->BlockRows(height) * layout->RowBytes(width) > available)
            return endsEarly();
        squish::DecompressImage(image.pixels.get(), int(width), int(height), surface, rule->squishFlags);
        return true;
    }
    const size_t pixelBytes = byMasks ? bits / 8 : DecodedBytesPerPixel(stored);
    const size_t pitch = size_t(width) * pixelBytes;
    if (available / pitch < height)
        return endsEarly();
    if (!byMasks) {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(image.pixels.get() + size_t(y) * image.rowPitch, surface + y * pitch, image.rowPitch);
        if (stored == DxgiFormat::B8G8R8X8_UNORM || stored == DxgiFormat::B8G8R8X8_UNORM_SRGB)
            for (size_t i = 3; i < image.SizeBytes(); i += 4)
                image.pixels[i] = 255;
        return true;
    }
    const ChannelMasks used{masks.r, (pfFlags & DDPF_LUMINANCE) ? masks.r : masks.g,
                            (pfFlags & DDPF_LUMINANCE) ? masks.r : masks.b,
                            {(pfFlags & DDPF_ALPHAPIXELS) ? masks.a.mask : 0}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = surface + y * pitch + x * pixelBytes;
            uint32_t v = 0;
            for (size_t i = 0; i < pixelBytes; ++i)
                v |= uint32_t(p[i]) << (8 * i);
            used.ToRgba(v, image.pixels.get() + (size_t(y) * width + x) * 4);
        }
    return true;
}
