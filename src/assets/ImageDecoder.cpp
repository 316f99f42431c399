// Image decoding over stb_image: the container's own header picks the texture
// format (as the platform imaging component's pixel formats would map), stb
// decodes straight into that layout, and the result is fitted under the size
// limit. stb reads through callbacks over the file's bytes so that a request
// past the end, which stb would otherwise answer with zeros, marks the file as
// truncated instead of yielding a partly black image.
#include "assets/ImageDecoder.h"

#include "assets/FilePath.h"
#include "assets/ImageMetadata.h"
#include "assets/image/ImageScaler.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#define STBI_ONLY_HDR
#define STBI_NO_STDIO
// Pixel buffers are released with std::free (PixelBufferFree); keep stb on the same heap.
#define STBI_MALLOC(size) std::malloc(size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p) std::free(p)
#include <stb_image.h>

void PixelBufferFree::operator()(uint8_t* pixels) const noexcept { std::free(pixels); }

namespace {

// How a texture format is laid out, and how stb's RGBA output becomes it.
struct FormatLayout {
    DxgiFormat format;
    uint32_t bytesPerPixel;
    unsigned channels; // asked of stb: 1 or 4
    ChannelType type;
    bool blueFirst;    // stb gives R first; B8G8R8* formats store B first
    bool unusedAlpha;  // the X of B8G8R8X8
};

const FormatLayout kLayouts[] = {
    {DxgiFormat::R8_UNORM, 1, 1, ChannelType::UInt8, false, false},
    {DxgiFormat::R16_UNORM, 2, 1, ChannelType::UInt16, false, false},
    {DxgiFormat::R8G8B8A8_UNORM, 4, 4, ChannelType::UInt8, false, false},
    {DxgiFormat::R8G8B8A8_UNORM_SRGB, 4, 4, ChannelType::UInt8, false, false},
    {DxgiFormat::B8G8R8A8_UNORM, 4, 4, ChannelType::UInt8, true, false},
    {DxgiFormat::B8G8R8A8_UNORM_SRGB, 4, 4, ChannelType::UInt8, true, false},
    {DxgiFormat::B8G8R8X8_UNORM, 4, 4, ChannelType::UInt8, true, true},
    {DxgiFormat::B8G8R8X8_UNORM_SRGB, 4, 4, ChannelType::UInt8, true, true},
    {DxgiFormat::R16G16B16A16_UNORM, 8, 4, ChannelType::UInt16, false, false},
    {DxgiFormat::R32G32B32A32_FLOAT, 16, 4, ChannelType::Float32, false, false},
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

// PNG colour type -> format, as the imaging component's native PNG pixel
// formats map: gray stays gray, RGB and palette become RGBA, 8-bit alpha
// images stay BGRA, 16-bit colour becomes 64-bit RGBA.
struct PngRule {
    uint8_t colourType;
    DxgiFormat format8; // bit depths 1 to 8
    DxgiFormat format16;
};
const PngRule kPngRules[] = {
    {0, DxgiFormat::R8_UNORM, DxgiFormat::R16_UNORM},
    {2, DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
    {3, DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R8G8B8A8_UNORM},
    {4, DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
    {6, DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
};

struct FormatChoice {
    DxgiFormat format = DxgiFormat::UNKNOWN;
    bool srgb = false;
};

bool ChooseFormat(const uint8_t* data, size_t size, FormatChoice& choice, std::string& error)
{
    switch (SniffImageContainer(data, size)) {
    case ImageContainer::Png: {
        PngHeader header;
        if (!ReadPngHeader(data, size, header)) {
            error = "damaged PNG structure";
            return false;
        }
        for (const PngRule& rule : kPngRules)
            if (rule.colourType == header.colourType)
                choice.format = header.bitDepth == 16 ? rule.format16 : rule.format8;
        choice.srgb = header.hasSrgbChunk;
        if (choice.format == DxgiFormat::UNKNOWN) {
            error = "unknown PNG colour type " + std::to_string(header.colourType);
            return false;
        }
        return true;
    }
    case ImageContainer::Jpeg: {
        if (!JpegHuffmanTablesFit(data, size)) {
            error = "damaged JPEG Huffman table";
            return false;
        }
        int w = 0, h = 0, comp = 0;
        if (!stbi_info_from_memory(data, int(size), &w, &h, &comp)) {
            error = std::string("cannot read JPEG header: ") + stbi_failure_reason();
            return false;
        }
        choice.format = comp == 1 ? DxgiFormat::R8_UNORM : DxgiFormat::R8G8B8A8_UNORM;
        choice.srgb = ReadJpegExifColorSpace(data, size) == 1;
        return true;
    }
    case ImageContainer::Bmp: {
        BmpHeader header;
        if (!ReadBmpHeader(data, size, header)) {
            error = "damaged BMP header";
            return false;
        }
        if (header.bitCount == 32)
            choice.format = header.hasAlphaMask ? DxgiFormat::B8G8R8A8_UNORM : DxgiFormat::B8G8R8X8_UNORM;
        else
            choice.format = DxgiFormat::R8G8B8A8_UNORM;
        return true;
    }
    case ImageContainer::Gif:
        choice.format = DxgiFormat::R8G8B8A8_UNORM;
        return true;
    case ImageContainer::Hdr:
        if (!HdrScanlinesComplete(data, size)) {
            error = "image data ends early";
            return false;
        }
        choice.format = DxgiFormat::R32G32B32A32_FLOAT;
        return true;
    case ImageContainer::Unknown: {
        // Only TGA is left that stb reads without a signature.
        int w = 0, h = 0, comp = 0;
        if (!stbi_info_from_memory(data, int(size), &w, &h, &comp)) {
            error = "not an image format that can be read";
            return false;
        }
        choice.format = comp == 1 ? DxgiFormat::R8_UNORM : DxgiFormat::R8G8B8A8_UNORM;
        return true;
    }
    }
    return false;
}

// The file's bytes as stb callbacks; remembers any read past the end. stb
// refills its own small buffer (its first read) ahead of need, so a short
// refill is normal; a short read into any other buffer means missing data.
struct CallbackSource {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool overrun = false;
    const char* refillBuffer = nullptr;

    static int Read(void* user, char* out, int count)
    {
        auto* self = static_cast<CallbackSource*>(user);
        if (!self->refillBuffer)
            self->refillBuffer = out;
        if (count <= 0)
            return 0;
        const size_t n = std::min(self->size - self->at, size_t(count));
        if (n == 0 || (n < size_t(count) && out != self->refillBuffer))
            self->overrun = true;
        std::memcpy(out, self->data + self->at, n);
        self->at += n;
        return int(n);
    }
    // A skip past the end is not yet a fault: only reading there is.
    static void Skip(void* user, int count)
    {
        auto* self = static_cast<CallbackSource*>(user);
        if (count > 0)
            self->at += std::min(self->size - self->at, size_t(count));
    }
    static int Eof(void* user)
    {
        auto* self = static_cast<CallbackSource*>(user);
        return self->at >= self->size;
    }
};

void* DecodeWithStb(CallbackSource& source, const FormatLayout& layout, int& width, int& height)
{
    stbi_io_callbacks callbacks{&CallbackSource::Read, &CallbackSource::Skip, &CallbackSource::Eof};
    int fileChannels = 0;
    const int channels = int(layout.channels);
    switch (layout.type) {
    case ChannelType::UInt8:
        return stbi_load_from_callbacks(&callbacks, &source, &width, &height, &fileChannels, channels);
    case ChannelType::UInt16:
        return stbi_load_16_from_callbacks(&callbacks, &source, &width, &height, &fileChannels, channels);
    case ChannelType::Float32:
        return stbi_loadf_from_callbacks(&callbacks, &source, &width, &height, &fileChannels, channels);
    }
    return nullptr;
}

void ArrangeChannels(uint8_t* pixels, size_t pixelCount, const FormatLayout& layout)
{
    if (!layout.blueFirst)
        return;
    if constexpr (std::endian::native == std::endian::little) {
        // Whole pixels as words, R in the low byte: swapping bytes 0 and 2 this way vectorises.
        const uint32_t alpha = layout.unusedAlpha ? 0xFF000000u : 0u;
        for (size_t i = 0; i < pixelCount; ++i) {
            uint32_t v;
            std::memcpy(&v, pixels + i * 4, 4);
            v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16) | alpha;
            std::memcpy(pixels + i * 4, &v, 4);
        }
    } else {
        for (size_t i = 0; i < pixelCount; ++i) {
            uint8_t* p = pixels + i * 4;
            std::swap(p[0], p[2]);
            if (layout.unusedAlpha)
                p[3] = 255;
        }
    }
}

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
    if (size == 0) {
        error = "empty file";
        return false;
    }
    if (size > size_t(INT_MAX)) {
        error = "file too large to decode";
        return false;
    }
    FormatChoice choice;
    if (!ChooseFormat(data, size, choice, error))
        return false;
    const FormatLayout& layout = *FindLayout(choice.format);

    CallbackSource source{data, size};
    int width = 0, height = 0;
    std::unique_ptr<uint8_t[], PixelBufferFree> pixels(
        static_cast<uint8_t*>(DecodeWithStb(source, layout, width, height)));
    if (!pixels) {
        error = source.overrun ? "image data ends early" : std::string("cannot decode: ") + stbi_failure_reason();
        return false;
    }
    if (source.overrun) {
        error = "image data ends early";
        return false;
    }
    ArrangeChannels(pixels.get(), size_t(width) * size_t(height), layout);

    const ImageSize target = ScaledImageSize(uint32_t(width), uint32_t(height), maxSize ? maxSize : kMaxImageSize);
    if (target.width == 0 || target.height == 0) {
        error = "a " + std::to_string(width) + "x" + std::to_string(height) + " image shrinks to nothing";
        return false;
    }
    if (target.width != uint32_t(width) || target.height != uint32_t(height)) {
        std::unique_ptr<uint8_t[], PixelBufferFree> scaled(
            static_cast<uint8_t*>(std::malloc(size_t(target.width) * target.height * layout.bytesPerPixel)));
        if (!scaled) {
            error = "out of memory";
            return false;
        }
        ScaleImageFant(pixels.get(), uint32_t(width), uint32_t(height), scaled.get(), target.width, target.height,
                       layout.channels, layout.type);
        pixels = std::move(scaled);
    }

    image.format = choice.srgb ? SrgbTwin(choice.format) : choice.format;
    image.width = target.width;
    image.height = target.height;
    image.rowPitch = target.width * layout.bytesPerPixel;
    image.srgb = choice.srgb;
    image.pixels = std::move(pixels);
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
