// Device-independent bitmaps: the header (core, info and its V2 to V5
// extensions), bit masks, palette and pixels that a BMP file holds after its
// file header and an ICO entry holds on its own. It does not read either
// container's own header.
#pragma once
#include "assets/ImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct DibPlacement {
    // Where the pixels start, counted from the start of the DIB; 0: right after
    // the palette. A BMP file's header says where; an icon's pixels follow the palette.
    size_t pixelOffset = 0;
    // An icon entry: the header's height counts the image and its 1-bit
    // transparency mask after it, and the result is always BGRA.
    bool icon = false;
};

bool DecodeDib(const uint8_t* dib, size_t size, const DibPlacement& placement, DecodedImage& image,
               std::string& error);
