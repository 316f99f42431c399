// The neutral image decoding entry point: reads the file, recognises its
// container by content, hands it to that container's decoder (one file each
// under assets/image/), applies the sRGB choice and fits the result under the
// size limit. It creates no texture and knows no graphics API.
#include "assets/ImageDecoder.h"

#include "assets/FilePath.h"
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ImageBudget.h"
#include "assets/image/ImageContainer.h"
#include "assets/image/ImageScaler.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

void PixelBufferFree::operator()(uint8_t* pixels) const noexcept { std::free(pixels); }

namespace {

// How a decoded format is laid out, for the scaler.
struct FormatLayout {
    DxgiFormat format;
    uint32_t bytesPerPixel;
    unsigned channels;
    ChannelType type;
};

const FormatLayout kLayouts[] = {
    {DxgiFormat::R8_UNORM, 1, 1, ChannelType::UInt8},
    {DxgiFormat::A8_UNORM, 1, 1, ChannelType::UInt8},
    {DxgiFormat::R16_UNORM, 2, 1, ChannelType::UInt16},
    {DxgiFormat::R32_FLOAT, 4, 1, ChannelType::Float32},
    {DxgiFormat::R8G8B8A8_UNORM, 4, 4, ChannelType::UInt8},
    {DxgiFormat::R8G8B8A8_UNORM_SRGB, 4, 4, ChannelType::UInt8},
    {DxgiFormat::B8G8R8A8_UNORM, 4, 4, ChannelType::UInt8},
    {DxgiFormat::B8G8R8A8_UNORM_SRGB, 4, 4, ChannelType::UInt8},
    {DxgiFormat::B8G8R8X8_UNORM, 4, 4, ChannelType::UInt8},
    {DxgiFormat::B8G8R8X8_UNORM_SRGB, 4, 4, ChannelType::UInt8},
    {DxgiFormat::R16G16B16A16_UNORM, 8, 4, ChannelType::UInt16},
    {DxgiFormat::R32G32B32_FLOAT, 12, 3, ChannelType::Float32},
    {DxgiFormat::R32G32B32A32_FLOAT, 16, 4, ChannelType::Float32},
};

const FormatLayout* FindLayout(DxgiFormat format)
{
    for (const FormatLayout& layout : kLayouts)
        if (layout.format == format)
            return &layout;
    return nullptr;
}

// The only formats with an sRGB twin.
const DxgiFormat kSrgbTwins[][2] = {
    {DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R8G8B8A8_UNORM_SRGB},
    {DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::B8G8R8A8_UNORM_SRGB},
    {DxgiFormat::B8G8R8X8_UNORM, DxgiFormat::B8G8R8X8_UNORM_SRGB},
};

DxgiFormat SrgbTwin(DxgiFormat format)
{
    for (const auto& twin : kSrgbTwins)
        if (twin[0] == format)
            return twin[1];
    return format;
}

struct ContainerEntry {
    ImageContainer container;
    ContainerDecoder decode;
};
const ContainerEntry kDecoders[] = {
    {ImageContainer::Png, DecodePng},   {ImageContainer::Jpeg, DecodeJpeg}, {ImageContainer::Bmp, DecodeBmp},
    {ImageContainer::Gif, DecodeGif},   {ImageContainer::Tiff, DecodeTiff}, {ImageContainer::WebP, DecodeWebp},
    {ImageContainer::Dds, DecodeDds},   {ImageContainer::Ico, DecodeIco},   {ImageContainer::Hdr, DecodeHdr},
    {ImageContainer::Unknown, DecodeTga},
};

bool ReadWholeFile(const std::string& path, std::unique_ptr<uint8_t[]>& bytes, size_t& size, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "'" + path + "' is not a regular file";
        return false;
    }
    if (uint64_t(st.st_size) > kImageMemoryBudget) {
        ::close(fd);
        error = "'" + path + "' is larger than an image may be (" + std::to_string(kImageMemoryBudget >> 20) + " MiB)";
        return false;
    }
    size = size_t(st.st_size);
    bytes.reset(new (std::nothrow) uint8_t[std::max<size_t>(size, 1)]);
    size_t got = 0;
    while (bytes && got < size) {
        const ssize_t n = ::read(fd, bytes.get() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    if (!bytes || got != size) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

} // namespace

uint32_t DecodedBytesPerPixel(DxgiFormat format)
{
    const FormatLayout* layout = FindLayout(format);
    return layout ? layout->bytesPerPixel : 0;
}

bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& image, std::string& error, uint32_t maxSize)
{
    image = DecodedImage{};
    error.clear();
    if (!data || size == 0) {
        error = "empty file";
        return false;
    }
    const ImageContainer container = SniffImageContainer(data, size);
    const auto entry = std::find_if(std::begin(kDecoders), std::end(kDecoders),
                                    [&](const ContainerEntry& e) { return e.container == container; });
    DecodedImage full;
    if (!entry->decode(data, size, full, error) || !full.pixels) {
        if (error.empty())
            error = "cannot decode the image";
        image = DecodedImage{};
        return false;
    }
    const FormatLayout* layout = FindLayout(full.format);
    if (!layout || full.rowPitch != full.width * layout->bytesPerPixel) {
        error = "decoded to an unexpected layout (" + DescribeDxgiFormat(full.format) + ")";
        return false;
    }

    const ImageSize target = ScaledImageSize(full.width, full.height, maxSize ? maxSize : kMaxImageSize);
    if (target.width == 0 || target.height == 0) {
        error = "a " + std::to_string(full.width) + "x" + std::to_string(full.height) + " image shrinks to nothing";
        return false;
    }
    if (target.width != full.width || target.height != full.height) {
        std::unique_ptr<uint8_t[], PixelBufferFree> scaled(
            static_cast<uint8_t*>(std::malloc(size_t(target.width) * target.height * layout->bytesPerPixel)));
        if (!scaled) {
            error = "out of memory";
            return false;
        }
        ScaleImageFant(full.pixels.get(), full.width, full.height, scaled.get(), target.width, target.height,
                       layout->channels, layout->type);
        full.pixels = std::move(scaled);
        full.width = target.width;
        full.height = target.height;
        full.rowPitch = target.width * layout->bytesPerPixel;
    }
    if (full.srgb)
        full.format = SrgbTwin(full.format);
    image = std::move(full);
    return true;
}

bool DecodeImageFile(const std::string& scriptPath, DecodedImage& image, std::string& error, uint32_t maxSize)
{
    image = DecodedImage{};
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    if (!ReadWholeFile(ResolvePath(scriptPath), bytes, size, error))
        return false;
    if (!DecodeImageMemory(bytes.get(), size, image, error, maxSize)) {
        error = "'" + scriptPath + "': " + error;
        return false;
    }
    return true;
}
