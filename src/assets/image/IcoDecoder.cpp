// Windows icons and cursors: the directory's first entry, which holds either a
// PNG file (decoded as any PNG) or a device-independent bitmap with its 1-bit
// transparency mask (decoded to BGRA).
#include "assets/image/ContainerDecoders.h"
#include "assets/image/DibDecoder.h"

#include <cstring>

bool DecodeIco(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    constexpr size_t kDirectory = 6, kEntry = 16;
    if (size < kDirectory + kEntry || data[0] || data[1] || (data[2] != 1 && data[2] != 2) || data[3] ||
        (data[4] == 0 && data[5] == 0)) {
        error = "damaged icon directory";
        return false;
    }
    const uint8_t* entry = data + kDirectory;
    auto le32 = [](const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    const uint32_t bytes = le32(entry + 8);
    const uint32_t offset = le32(entry + 12);
    if (offset < kDirectory + kEntry || offset >= size || bytes == 0) {
        error = "damaged icon directory: the first image lies outside the file";
        return false;
    }
    const size_t length = std::min<size_t>(bytes, size - offset);
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length >= 8 && std::memcmp(data + offset, kPng, 8) == 0)
        return DecodePng(data + offset, length, image, error);
    DibPlacement placement;
    placement.icon = true;
    return DecodeDib(data + offset, length, placement, image, error);
}
