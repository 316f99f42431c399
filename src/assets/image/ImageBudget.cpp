// The image memory budget and the pixel buffer allocation.
#include "assets/image/ImageBudget.h"

#include <cstdlib>

namespace {
std::string Mib(uint64_t bytes) { return std::to_string((bytes + (uint64_t(1) << 20) - 1) >> 20) + " MiB"; }
} // namespace

bool FitsImageBudget(uint64_t width, uint64_t height, uint64_t bytesPerPixel, std::string& error, uint64_t extraBytes)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width == 0 || height == 0) {
        error = "the file declares a " + size + " image";
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide) {
        error = "the file declares a " + size + " image; no side may exceed " + std::to_string(kMaxImageSide);
        return false;
    }
    // Both sides are below 2^20 and a pixel below 2^8 bytes: no overflow.
    const uint64_t bytes = width * height * bytesPerPixel + extraBytes;
    if (extraBytes > kImageMemoryBudget || bytes > kImageMemoryBudget) {
        error = "the file declares a " + size + " image, which needs " + Mib(bytes) + " to decode; an image may take " +
                Mib(kImageMemoryBudget);
        return false;
    }
    return true;
}

bool AllocateImage(DecodedImage& image, DxgiFormat format, uint32_t width, uint32_t height, std::string& error,
                   uint64_t extraBytes)
{
    image = DecodedImage{};
    const uint32_t bytesPerPixel = DecodedBytesPerPixel(format);
    if (bytesPerPixel == 0) {
        error = "no pixel layout for " + DescribeDxgiFormat(format);
        return false;
    }
    if (!FitsImageBudget(width, height, bytesPerPixel, error, extraBytes))
        return false;
    image.pixels.reset(static_cast<uint8_t*>(std::malloc(size_t(width) * height * bytesPerPixel)));
    if (!image.pixels) {
        error = "out of memory for a " + std::to_string(width) + "x" + std::to_string(height) + " image";
        return false;
    }
    image.format = format;
    image.width = width;
    image.height = height;
    image.rowPitch = width * bytesPerPixel;
    return true;
}
