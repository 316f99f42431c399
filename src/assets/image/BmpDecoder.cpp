// BMP files: the 14-byte file header, then a device-independent bitmap. The
// header's pixel offset is trusted whenever it points past the bitmap header,
// so truecolour files that carry an (unused) palette read as well as any other.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/DibDecoder.h"

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    constexpr size_t kFileHeader = 14;
    if (size < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M') {
        error = "damaged BMP header";
        return false;
    }
    const uint32_t offset = uint32_t(data[10]) | uint32_t(data[11]) << 8 | uint32_t(data[12]) << 16 |
                            uint32_t(data[13]) << 24;
    DibPlacement placement;
    placement.pixelOffset = offset > kFileHeader ? offset - kFileHeader : 0;
    return DecodeDib(data + kFileHeader, size - kFileHeader, placement, image, error);
}
