// Decodes an image file into the pixels and the texture format a Direct3D
// player would have made of it: the same format names (DXGI), the same size
// after fitting under the size limit, and the same sRGB choice from the file's
// metadata. Reads PNG, JPEG, BMP, GIF (first frame), TIFF (first image), WebP,
// DDS (first surface), ICO and CUR (first entry), TGA and Radiance HDR,
// recognised by content, never by extension. Every size a file declares is
// checked against a memory budget before pixels are decoded.
// It creates no texture and knows no graphics API; it reports nothing itself:
// a failure comes back with its reason for the caller to report.
//
// Formats it produces, and what an OpenGL back end has to do with them
// (rows are tightly packed, so upload with GL_UNPACK_ALIGNMENT 1; row 0 is the
// top row, which is where the back end keeps row 0 of every texture):
//
//   format                 bytes per pixel, in memory       GL upload
//   R8_UNORM               R                                GL_R8, GL_RED, GL_UNSIGNED_BYTE (samples r,0,0,1)
//   A8_UNORM               A                                GL_R8, swizzled to (0,0,0,r)
//   R16_UNORM              R (16-bit, host order)           GL_R16, GL_RED, GL_UNSIGNED_SHORT
//   R32_FLOAT              R (float)                        GL_R32F, GL_RED, GL_FLOAT
//   R8G8B8A8_UNORM[_SRGB]  R G B A                          GL_RGBA8 / GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE
//   B8G8R8A8_UNORM[_SRGB]  B G R A                          GL_RGBA8 / GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE
//   B8G8R8X8_UNORM[_SRGB]  B G R X (X written as 255)       as BGRA, alpha swizzled to GL_ONE (Direct3D samples 1)
//   R16G16B16A16_UNORM     R G B A (16-bit, host order)     GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT
//   R32G32B32_FLOAT        R G B (float)                    GL_RGB32F, GL_RGB, GL_FLOAT
//   R32G32B32A32_FLOAT     R G B A (float)                  GL_RGBA32F, GL_RGBA, GL_FLOAT
//
// Single-channel formats keep Direct3D's channel meaning in their name: a gray
// image is R8_UNORM/R16_UNORM and samples as red only, as on Direct3D.
#pragma once
#include "render/DxgiFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The texture size limit of a feature level 11 device, which the loader uses
// when no smaller limit is given.
constexpr uint32_t kMaxImageSize = 16384;

struct PixelBufferFree {
    void operator()(uint8_t* pixels) const noexcept;
};

struct DecodedImage {
    DxgiFormat format = DxgiFormat::UNKNOWN; // the sRGB twin already, when srgb and one exists
    uint32_t width = 0;                      // after fitting under the size limit
    uint32_t height = 0;
    uint32_t rowPitch = 0;                   // width * bytes per pixel
    bool srgb = false;                       // the file's metadata declares sRGB
    std::unique_ptr<uint8_t[], PixelBufferFree> pixels; // rowPitch * height bytes, top row first

    size_t SizeBytes() const { return size_t(rowPitch) * height; }
};

// Bytes per pixel of the formats above; 0 for any other.
uint32_t DecodedBytesPerPixel(DxgiFormat format);

// Decodes the file a script names (resolved as Windows would), read once.
// On failure returns false, leaves `image` empty and says why in `error`.
bool DecodeImageFile(const std::string& scriptPath, DecodedImage& image, std::string& error,
                     uint32_t maxSize = kMaxImageSize);

// The same from bytes in memory.
bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& image, std::string& error,
                       uint32_t maxSize = kMaxImageSize);
