// The decoders of each image container, one file each, behind one signature:
// the whole first image of the file at its own size, in the texture format the
// platform imaging component's pixel format for it would map to (never the
// sRGB twin: `srgb` says what the file's metadata declares). Every decoder
// checks the sizes the file declares against the image budget before it
// allocates for pixels, and on failure returns false with a reason and no
// image. Fitting under the texture size limit is not done here.
#pragma once
#include "assets/ImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

using ContainerDecoder = bool (*)(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);  // libpng
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& error); // libjpeg-turbo, libexif
bool DecodeGif(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);  // giflib
bool DecodeTiff(const uint8_t* data, size_t size, DecodedImage& image, std::string& error); // libtiff
bool DecodeWebp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error); // libwebp
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
bool DecodeIco(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);
bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);  // libsquish for BC1-BC3
bool DecodeHdr(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);  // stb_image
bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, std::string& error);  // stb_image
