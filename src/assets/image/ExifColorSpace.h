// The one Exif fact the texture format depends on: the ColorSpace tag of the
// Exif IFD, read through libexif from an Exif block as JPEG (APP1), WebP (EXIF
// chunk) and similar containers carry it.
#pragma once
#include <cstddef>
#include <cstdint>

// ColorSpace (0xA001) of the Exif IFD, when it is there as one SHORT, as the
// imaging component requires (1 is sRGB); -1 otherwise. `block` may start with
// the "Exif\0\0" header or straight with the TIFF header.
int ExifColorSpace(const uint8_t* block, size_t size);
