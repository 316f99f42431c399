// Exif ColorSpace through libexif. libexif's option that fills in missing tags
// is turned off: it would add the mandatory tags a file lacks, ColorSpace among
// them with the value 1, and make every photograph with Exif data sRGB.
#include "assets/image/ExifColorSpace.h"

#include <cstring>
#include <libexif/exif-data.h>
#include <memory>
#include <vector>

namespace {
struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
} // namespace

int ExifColorSpace(const uint8_t* block, size_t size)
{
    static const uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < 8 || size > 0xFFFFFFFFu)
        return -1;
    std::vector<uint8_t> withHeader;
    if (std::memcmp(block, kHeader, 6) != 0) {
        withHeader.assign(kHeader, kHeader + 6);
        withHeader.insert(withHeader.end(), block, block + size);
        block = withHeader.data();
        size = withHeader.size();
    }
    std::unique_ptr<ExifData, ExifDataRelease> exif(exif_data_new());
    if (!exif)
        return -1;
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), block, static_cast<unsigned int>(size));
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_EXIF], EXIF_TAG_COLOR_SPACE);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components != 1 || entry->size < 2 || !entry->data)
        return -1;
    return exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
}
