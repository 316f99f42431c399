// DXGI to GL format table. DXGI names list components from the least significant
// bits up, so packed B5G6R5 is GL's RGB 5_6_5 and B5G5R5A1 is BGRA 1_5_5_5_REV.
#include "render/gl/GLFormat.h"

#include <iterator>

namespace {

#define ML_SWZ(r, g, b, a) {r, g, b, a}
#define ML_RGBA ML_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)
#define ML_RGB1 ML_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)
// One channel (gray images): red only, sampled as (r, 0, 0, 1) as Direct3D does.
#define ML_R001 ML_SWZ(GL_RED, GL_ZERO, GL_ZERO, GL_ONE)

constexpr GLFormat kFormats[] = {
    {DxgiFormat::UNKNOWN, 0, 0, 0, ML_RGBA, 0, false},
    {DxgiFormat::R32G32B32A32_FLOAT, GL_RGBA32F, GL_RGBA, GL_FLOAT, ML_RGBA, 16, false},
    {DxgiFormat::R32G32B32_FLOAT, GL_RGB32F, GL_RGB, GL_FLOAT, ML_RGBA, 12, false},
    {DxgiFormat::R16G16B16A16_FLOAT, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, ML_RGBA, 8, false},
    {DxgiFormat::R16G16B16A16_UNORM, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, ML_RGBA, 8, false},
    {DxgiFormat::R32G32_FLOAT, GL_RG32F, GL_RG, GL_FLOAT, ML_RGBA, 8, false},
    {DxgiFormat::R10G10B10A2_UNORM, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, ML_RGBA, 4, false},
    {DxgiFormat::R8G8B8A8_UNORM, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, ML_RGBA, 4, false},
    {DxgiFormat::R8G8B8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, ML_RGBA, 4, false},
    {DxgiFormat::R32_FLOAT, GL_R32F, GL_RED, GL_FLOAT, ML_R001, 4, false},
    {DxgiFormat::R32_UINT, GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, ML_RGBA, 4, false},
    {DxgiFormat::D24_UNORM_S8_UINT, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, ML_RGBA, 4, false},
    {DxgiFormat::R16_FLOAT, GL_R16F, GL_RED, GL_HALF_FLOAT, ML_R001, 2, false},
    {DxgiFormat::R16_UNORM, GL_R16, GL_RED, GL_UNSIGNED_SHORT, ML_R001, 2, false},
    {DxgiFormat::R16_UINT, GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT, ML_RGBA, 2, false},
    {DxgiFormat::R8_UNORM, GL_R8, GL_RED, GL_UNSIGNED_BYTE, ML_R001, 1, false},
    // Alpha-only: stored in red, sampled as (0, 0, 0, a) as Direct3D does.
    {DxgiFormat::A8_UNORM, GL_R8, GL_RED, GL_UNSIGNED_BYTE, ML_SWZ(GL_ZERO, GL_ZERO, GL_ZERO, GL_RED), 1, false},
    {DxgiFormat::BC1_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, ML_RGBA, 8, true},
    {DxgiFormat::BC2_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, ML_RGBA, 16, true},
    {DxgiFormat::BC3_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, ML_RGBA, 16, true},
    {DxgiFormat::B5G6R5_UNORM, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, ML_RGBA, 2, false},
    {DxgiFormat::B5G5R5A1_UNORM, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, ML_RGBA, 2, false},
    {DxgiFormat::B8G8R8A8_UNORM, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, ML_RGBA, 4, false},
    // X channels are unused: sampled alpha is 1.
    {DxgiFormat::B8G8R8X8_UNORM, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, ML_RGB1, 4, false},
    // Extended-range bias has no GL counterpart.
    {DxgiFormat::R10G10B10_XR_BIAS_A2_UNORM, 0, 0, 0, ML_RGBA, 4, false},
    {DxgiFormat::B8G8R8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, ML_RGBA, 4, false},
    {DxgiFormat::B8G8R8X8_UNORM_SRGB, GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, ML_RGB1, 4, false},
    {DxgiFormat::B4G4R4A4_UNORM, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, ML_RGBA, 2, false},
};

#undef ML_SWZ
#undef ML_RGBA
#undef ML_RGB1
#undef ML_R001

static_assert(std::size(kFormats) == kDxgiFormatCount, "one entry for every DXGI format name");

constexpr bool StrictlyIncreasing()
{
    for (size_t i = 1; i < std::size(kFormats); ++i)
        if (static_cast<uint32_t>(kFormats[i - 1].dxgi) >= static_cast<uint32_t>(kFormats[i].dxgi))
            return false;
    return true;
}
static_assert(StrictlyIncreasing(), "entries in format order, each once");

} // namespace

const GLFormat* FindGLFormat(DxgiFormat format)
{
    for (const GLFormat& f : kFormats)
        if (f.dxgi == format)
            return &f;
    return nullptr;
}

bool HasGLEquivalent(DxgiFormat format)
{
    const GLFormat* f = FindGLFormat(format);
    return f && f->internalFormat != 0;
}
