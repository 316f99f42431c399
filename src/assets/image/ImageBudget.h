// How much memory one image may take while it is decoded, checked from the
// sizes a container declares before any decoder allocates for pixels: a file
// of a few bytes can claim a picture of gigabytes. Also the pixel buffer of a
// decoded image, allocated only once the budget allows it. It does not decode.
#pragma once
#include "assets/ImageDecoder.h"

#include <cstdint>
#include <string>

// The most bytes the pixels of one image (and a decoder's scratch beside them) may take.
inline constexpr uint64_t kImageMemoryBudget = uint64_t(512) << 20;
// The longest side any container may declare; larger ones are damaged or hostile.
inline constexpr uint32_t kMaxImageSide = 1u << 20;

// True when a width x height image of bytesPerPixel, plus extraBytes of the
// decoder's own, fits the budget; else false with the reason in `error`.
bool FitsImageBudget(uint64_t width, uint64_t height, uint64_t bytesPerPixel, std::string& error,
                     uint64_t extraBytes = 0);

// Sets `image` up as a width x height image of `format` (tightly packed rows)
// with its pixel buffer allocated, uninitialised. False with a reason when the
// size is 0, the budget is exceeded or memory runs out.
bool AllocateImage(DecodedImage& image, DxgiFormat format, uint32_t width, uint32_t height, std::string& error,
                   uint64_t extraBytes = 0);
