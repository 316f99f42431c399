// Which container an image file is, from its first bytes: never from its name.
#pragma once
#include <cstddef>
#include <cstdint>

// TGA has no signature: whatever is not recognised is tried as TGA.
enum class ImageContainer { Unknown, Png, Jpeg, Bmp, Gif, Tiff, WebP, Dds, Ico, Hdr };

ImageContainer SniffImageContainer(const uint8_t* data, size_t size);
