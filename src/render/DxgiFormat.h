// Pixel formats by their DXGI names and numbers, as productions' files (sprite
// fonts, DDS images) store them and as image decoding reports them, with each
// format's memory layout. Back ends translate them through one table of their
// own; this header knows no graphics API.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Every DXGI format: name, number, then its layout as blocks of texels
// (block width, block height, bytes per block). A layout of 0 bytes is one
// this player cannot describe (planar video formats, opaque formats).
// "420_OPAQUE" cannot be an identifier and is OPAQUE_420 here.
#define ML_DXGI_FORMATS(X)                                                                                   \
    X(UNKNOWN, 0, 1, 1, 0)                                                                                   \
    X(R32G32B32A32_TYPELESS, 1, 1, 1, 16)                                                                    \
    X(R32G32B32A32_FLOAT, 2, 1, 1, 16)                                                                       \
    X(R32G32B32A32_UINT, 3, 1, 1, 16)                                                                        \
    X(R32G32B32A32_SINT, 4, 1, 1, 16)                                                                        \
    X(R32G32B32_TYPELESS, 5, 1, 1, 12)                                                                       \
    X(R32G32B32_FLOAT, 6, 1, 1, 12)                                                                          \
    X(R32G32B32_UINT, 7, 1, 1, 12)                                                                           \
    X(R32G32B32_SINT, 8, 1, 1, 12)                                                                           \
    X(R16G16B16A16_TYPELESS, 9, 1, 1, 8)                                                                     \
    X(R16G16B16A16_FLOAT, 10, 1, 1, 8)                                                                       \
    X(R16G16B16A16_UNORM, 11, 1, 1, 8)                                                                       \
    X(R16G16B16A16_UINT, 12, 1, 1, 8)                                                                        \
    X(R16G16B16A16_SNORM, 13, 1, 1, 8)                                                                       \
    X(R16G16B16A16_SINT, 14, 1, 1, 8)                                                                        \
    X(R32G32_TYPELESS, 15, 1, 1, 8)                                                                          \
    X(R32G32_FLOAT, 16, 1, 1, 8)                                                                             \
    X(R32G32_UINT, 17, 1, 1, 8)                                                                              \
    X(R32G32_SINT, 18, 1, 1, 8)                                                                              \
    X(R32G8X24_TYPELESS, 19, 1, 1, 8)                                                                        \
    X(D32_FLOAT_S8X24_UINT, 20, 1, 1, 8)                                                                     \
    X(R32_FLOAT_X8X24_TYPELESS, 21, 1, 1, 8)                                                                 \
    X(X32_TYPELESS_G8X24_UINT, 22, 1, 1, 8)                                                                  \
    X(R10G10B10A2_TYPELESS, 23, 1, 1, 4)                                                                     \
    X(R10G10B10A2_UNORM, 24, 1, 1, 4)                                                                        \
    X(R10G10B10A2_UINT, 25, 1, 1, 4)                                                                         \
    X(R11G11B10_FLOAT, 26, 1, 1, 4)                                                                          \
    X(R8G8B8A8_TYPELESS, 27, 1, 1, 4)                                                                        \
    X(R8G8B8A8_UNORM, 28, 1, 1, 4)                                                                           \
    X(R8G8B8A8_UNORM_SRGB, 29, 1, 1, 4)                                                                      \
    X(R8G8B8A8_UINT, 30, 1, 1, 4)                                                                            \
    X(R8G8B8A8_SNORM, 31, 1, 1, 4)                                                                           \
    X(R8G8B8A8_SINT, 32, 1, 1, 4)                                                                            \
    X(R16G16_TYPELESS, 33, 1, 1, 4)                                                                          \
    X(R16G16_FLOAT, 34, 1, 1, 4)                                                                             \
    X(R16G16_UNORM, 35, 1, 1, 4)                                                                             \
    X(R16G16_UINT, 36, 1, 1, 4)                                                                              \
    X(R16G16_SNORM, 37, 1, 1, 4)                                                                             \
    X(R16G16_SINT, 38, 1, 1, 4)                                                                              \
    X(R32_TYPELESS, 39, 1, 1, 4)                                                                             \
    X(D32_FLOAT, 40, 1, 1, 4)                                                                                \
    X(R32_FLOAT, 41, 1, 1, 4)                                                                                \
    X(R32_UINT, 42, 1, 1, 4)                                                                                 \
    X(R32_SINT, 43, 1, 1, 4)                                                                                 \
    X(R24G8_TYPELESS, 44, 1, 1, 4)                                                                           \
    X(D24_UNORM_S8_UINT, 45, 1, 1, 4)                                                                        \
    X(R24_UNORM_X8_TYPELESS, 46, 1, 1, 4)                                                                    \
    X(X24_TYPELESS_G8_UINT, 47, 1, 1, 4)                                                                     \
    X(R8G8_TYPELESS, 48, 1, 1, 2)                                                                            \
    X(R8G8_UNORM, 49, 1, 1, 2)                                                                               \
    X(R8G8_UINT, 50, 1, 1, 2)                                                                                \
    X(R8G8_SNORM, 51, 1, 1, 2)                                                                               \
    X(R8G8_SINT, 52, 1, 1, 2)                                                                                \
    X(R16_TYPELESS, 53, 1, 1, 2)                                                                             \
    X(R16_FLOAT, 54, 1, 1, 2)                                                                                \
    X(D16_UNORM, 55, 1, 1, 2)                                                                                \
    X(R16_UNORM, 56, 1, 1, 2)                                                                                \
    X(R16_UINT, 57, 1, 1, 2)                                                                                 \
    X(R16_SNORM, 58, 1, 1, 2)                                                                                \
    X(R16_SINT, 59, 1, 1, 2)                                                                                 \
    X(R8_TYPELESS, 60, 1, 1, 1)                                                                              \
    X(R8_UNORM, 61, 1, 1, 1)                                                                                 \
    X(R8_UINT, 62, 1, 1, 1)                                                                                  \
    X(R8_SNORM, 63, 1, 1, 1)                                                                                 \
    X(R8_SINT, 64, 1, 1, 1)                                                                                  \
    X(A8_UNORM, 65, 1, 1, 1)                                                                                 \
    X(R1_UNORM, 66, 8, 1, 1)                                                                                 \
    X(R9G9B9E5_SHAREDEXP, 67, 1, 1, 4)                                                                       \
    X(R8G8_B8G8_UNORM, 68, 2, 1, 4)                                                                          \
    X(G8R8_G8B8_UNORM, 69, 2, 1, 4)                                                                          \
    X(BC1_TYPELESS, 70, 4, 4, 8)                                                                             \
    X(BC1_UNORM, 71, 4, 4, 8)                                                                                \
    X(BC1_UNORM_SRGB, 72, 4, 4, 8)                                                                           \
    X(BC2_TYPELESS, 73, 4, 4, 16)                                                                            \
    X(BC2_UNORM, 74, 4, 4, 16)                                                                               \
    X(BC2_UNORM_SRGB, 75, 4, 4, 16)                                                                          \
    X(BC3_TYPELESS, 76, 4, 4, 16)                                                                            \
    X(BC3_UNORM, 77, 4, 4, 16)                                                                               \
    X(BC3_UNORM_SRGB, 78, 4, 4, 16)                                                                          \
    X(BC4_TYPELESS, 79, 4, 4, 8)                                                                             \
    X(BC4_UNORM, 80, 4, 4, 8)                                                                                \
    X(BC4_SNORM, 81, 4, 4, 8)                                                                                \
    X(BC5_TYPELESS, 82, 4, 4, 16)                                                                            \
    X(BC5_UNORM, 83, 4, 4, 16)                                                                               \
    X(BC5_SNORM, 84, 4, 4, 16)                                                                               \
    X(B5G6R5_UNORM, 85, 1, 1, 2)                                                                             \
    X(B5G5R5A1_UNORM, 86, 1, 1, 2)                                                                           \
    X(B8G8R8A8_UNORM, 87, 1, 1, 4)                                                                           \
    X(B8G8R8X8_UNORM, 88, 1, 1, 4)                                                                           \
    X(R10G10B10_XR_BIAS_A2_UNORM, 89, 1, 1, 4)                                                               \
    X(B8G8R8A8_TYPELESS, 90, 1, 1, 4)                                                                        \
    X(B8G8R8A8_UNORM_SRGB, 91, 1, 1, 4)                                                                      \
    X(B8G8R8X8_TYPELESS, 92, 1, 1, 4)                                                                        \
    X(B8G8R8X8_UNORM_SRGB, 93, 1, 1, 4)                                                                      \
    X(BC6H_TYPELESS, 94, 4, 4, 16)                                                                           \
    X(BC6H_UF16, 95, 4, 4, 16)                                                                               \
    X(BC6H_SF16, 96, 4, 4, 16)                                                                               \
    X(BC7_TYPELESS, 97, 4, 4, 16)                                                                            \
    X(BC7_UNORM, 98, 4, 4, 16)                                                                               \
    X(BC7_UNORM_SRGB, 99, 4, 4, 16)                                                                          \
    X(AYUV, 100, 1, 1, 4)                                                                                    \
    X(Y410, 101, 1, 1, 4)                                                                                    \
    X(Y416, 102, 1, 1, 8)                                                                                    \
    X(NV12, 103, 1, 1, 0)                                                                                    \
    X(P010, 104, 1, 1, 0)                                                                                    \
    X(P016, 105, 1, 1, 0)                                                                                    \
    X(OPAQUE_420, 106, 1, 1, 0)                                                                              \
    X(YUY2, 107, 2, 1, 4)                                                                                    \
    X(Y210, 108, 2, 1, 8)                                                                                    \
    X(Y216, 109, 2, 1, 8)                                                                                    \
    X(NV11, 110, 1, 1, 0)                                                                                    \
    X(AI44, 111, 1, 1, 1)                                                                                    \
    X(IA44, 112, 1, 1, 1)                                                                                    \
    X(P8, 113, 1, 1, 1)                                                                                      \
    X(A8P8, 114, 1, 1, 2)                                                                                    \
    X(B4G4R4A4_UNORM, 115, 1, 1, 2)                                                                          \
    X(P208, 130, 1, 1, 0)                                                                                    \
    X(V208, 131, 1, 1, 0)                                                                                    \
    X(V408, 132, 1, 1, 0)                                                                                    \
    X(SAMPLER_FEEDBACK_MIN_MIP_OPAQUE, 189, 1, 1, 0)                                                         \
    X(SAMPLER_FEEDBACK_MIP_REGION_USED_OPAQUE, 190, 1, 1, 0)                                                 \
    X(A4B4G4R4_UNORM, 191, 1, 1, 2)

enum class DxgiFormat : uint32_t {
#define ML_DXGI_ENUM(name, value, bw, bh, bytes) name = value,
    ML_DXGI_FORMATS(ML_DXGI_ENUM)
#undef ML_DXGI_ENUM
};

// How many names the enumeration above holds; tables keyed by format assert on it.
inline constexpr size_t kDxgiFormatCount = 0
#define ML_DXGI_COUNT(name, value, bw, bh, bytes) +1
    ML_DXGI_FORMATS(ML_DXGI_COUNT)
#undef ML_DXGI_COUNT
    ;

struct DxgiFormatInfo {
    DxgiFormat format;
    const char* name;      // without the DXGI_FORMAT_ prefix
    uint32_t blockWidth;   // texels per block across: 1, 2 (packed 4:2:2), 4 (BC) or 8 (R1)
    uint32_t blockHeight;  // 1, or 4 for block-compressed formats
    uint32_t bytesPerBlock; // 0: a layout this player cannot describe

    // Bytes a row of blocks takes for `width` texels, and how many such rows `height` texels need.
    uint64_t RowBytes(uint32_t width) const { return (uint64_t(width) + blockWidth - 1) / blockWidth * bytesPerBlock; }
    uint64_t BlockRows(uint32_t height) const { return (uint64_t(height) + blockHeight - 1) / blockHeight; }
};

// Every format, in increasing number.
std::span<const DxgiFormatInfo> DxgiFormats();
// The entry for a number; null for a number that names no format.
const DxgiFormatInfo* FindDxgiFormat(uint32_t value);
inline const DxgiFormatInfo* FindDxgiFormat(DxgiFormat format) { return FindDxgiFormat(static_cast<uint32_t>(format)); }
// "BC7_UNORM (98)", or "unknown DXGI format 200" for a number that names none.
std::string DescribeDxgiFormat(uint32_t value);
inline std::string DescribeDxgiFormat(DxgiFormat format) { return DescribeDxgiFormat(static_cast<uint32_t>(format)); }
