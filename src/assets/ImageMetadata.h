// Small readers for the few facts of an image file that decide its texture
// format and colour space: the container kind, PNG's header and sRGB chunk,
// JPEG's Exif ColorSpace tag, BMP's header. They never decode pixels and never
// read outside the bytes they are given.
#pragma once
#include <cstddef>
#include <cstdint>

// TGA has no signature, so it is among Unknown.
enum class ImageContainer { Unknown, Png, Jpeg, Bmp, Gif, Hdr };

ImageContainer SniffImageContainer(const uint8_t* data, size_t size);

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0; // 0 gray, 2 RGB, 3 palette, 4 gray+alpha, 6 RGBA
    bool hasSrgbChunk = false; // an sRGB chunk (rendering intent) before the image data
};

// Walks the chunks up to the first IDAT. False when the signature or IHDR is
// missing or a chunk runs past the end.
bool ReadPngHeader(const uint8_t* data, size_t size, PngHeader& header);

// The ColorSpace tag (0xA001) of the Exif IFD in the first Exif APP1 segment,
// when it is there as one SHORT, as the imaging component requires; else -1.
int ReadJpegExifColorSpace(const uint8_t* data, size_t size);

// False when a Huffman table (DHT) that a decoder walking the segments would
// reach declares more than 256 codes. stb's reader does not check that and
// writes past its tables on such a file, so it must never see one.
bool JpegHuffmanTablesFit(const uint8_t* data, size_t size);

struct BmpHeader {
    int32_t width = 0;
    int32_t height = 0; // negative for top-down rows
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    bool hasAlphaMask = false; // a header that carries a non-zero alpha mask
};

bool ReadBmpHeader(const uint8_t* data, size_t size, BmpHeader& header);

// False when a Radiance file's run-length scanlines end before the image does.
// stb's reader would wait forever for the rest of such a file. Anything else
// (a header or layout stb refuses, flat scanlines) passes, for stb to judge.
bool HdrScanlinesComplete(const uint8_t* data, size_t size);
