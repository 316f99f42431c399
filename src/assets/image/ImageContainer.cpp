// Container signatures, as a table.
#include "assets/image/ImageContainer.h"

#include <cstring>

namespace {

struct Signature {
    size_t offset;
    const char* bytes;
    size_t length;
    ImageContainer container;
};

#define ML_SIG(offset, text, container) {offset, text, sizeof(text) - 1, ImageContainer::container}
const Signature kSignatures[] = {
    ML_SIG(0, "\x89PNG\r\n\x1A\n", Png),
    ML_SIG(0, "\xFF\xD8\xFF", Jpeg),
    ML_SIG(0, "BM", Bmp),
    ML_SIG(0, "GIF87a", Gif),
    ML_SIG(0, "GIF89a", Gif),
    ML_SIG(0, "II*\0", Tiff),
    ML_SIG(0, "MM\0*", Tiff),
    ML_SIG(0, "II+\0", Tiff), // BigTIFF
    ML_SIG(0, "MM\0+", Tiff),
    ML_SIG(8, "WEBP", WebP),  // after "RIFF" and the length, checked below
    ML_SIG(0, "DDS ", Dds),
    ML_SIG(0, "\0\0\1\0", Ico),
    ML_SIG(0, "\0\0\2\0", Ico), // cursors
    ML_SIG(0, "#?RADIANCE\n", Hdr),
    ML_SIG(0, "#?RGBE\n", Hdr),
};
#undef ML_SIG

} // namespace

ImageContainer SniffImageContainer(const uint8_t* data, size_t size)
{
    for (const Signature& s : kSignatures) {
        if (size < s.offset + s.length || std::memcmp(data + s.offset, s.bytes, s.length) != 0)
            continue;
        if (s.container == ImageContainer::WebP && std::memcmp(data, "RIFF", 4) != 0)
            continue;
        // An icon directory names at least one image; a TGA may start with the same bytes.
        if (s.container == ImageContainer::Ico && (size < 6 || (data[4] == 0 && data[5] == 0)))
            continue;
        return s.container;
    }
    return ImageContainer::Unknown;
}
