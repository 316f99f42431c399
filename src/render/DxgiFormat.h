// Pixel formats by their DXGI names and numbers, as productions' files (sprite
// fonts) store them and as image decoding reports them. Back ends translate
// them through one table of their own; this header knows no graphics API.
#pragma once
#include <cstddef>
#include <cstdint>

enum class DxgiFormat : uint32_t {
    UNKNOWN = 0,
    R32G32B32A32_FLOAT = 2,
    R32G32B32_FLOAT = 6,
    R16G16B16A16_FLOAT = 10,
    R16G16B16A16_UNORM = 11,
    R32G32_FLOAT = 16,
    R10G10B10A2_UNORM = 24,
    R8G8B8A8_UNORM = 28,
    R8G8B8A8_UNORM_SRGB = 29,
    R32_FLOAT = 41,
    R32_UINT = 42,
    D24_UNORM_S8_UINT = 45,
    R16_FLOAT = 54,
    R16_UNORM = 56,
    R16_UINT = 57,
    R8_UNORM = 61,
    A8_UNORM = 65,
    BC1_UNORM = 71,
    BC2_UNORM = 74,
    BC3_UNORM = 77,
    B5G6R5_UNORM = 85,
    B5G5R5A1_UNORM = 86,
    B8G8R8A8_UNORM = 87,
    B8G8R8X8_UNORM = 88,
    R10G10B10_XR_BIAS_A2_UNORM = 89,
    B8G8R8A8_UNORM_SRGB = 91,
    B8G8R8X8_UNORM_SRGB = 93,
    B4G4R4A4_UNORM = 115,
};

// How many names the enumeration above holds; tables keyed by format assert on it.
inline constexpr size_t kDxgiFormatCount = 28;
