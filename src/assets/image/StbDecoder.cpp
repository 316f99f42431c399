// TGA and Radiance HDR through stb_image, the two containers no better-kept
// library reads. stb reads through callbacks over the file's bytes, so that a
// request past the end, which stb would answer with zeros, marks the file as
// truncated instead of yielding a partly black image. stb's Radiance reader
// waits forever on run-length scanlines cut short, so those are refused first.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ImageBudget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC // internal: tests and benchmarks build their own full stb_image
#define STBI_ONLY_TGA
#define STBI_ONLY_HDR
#define STBI_NO_STDIO
// Pixel buffers are released with std::free (PixelBufferFree); keep stb on the same heap.
#define STBI_MALLOC(size) std::malloc(size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p) std::free(p)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter" // with only two readers built, some helpers ignore arguments
#pragma GCC diagnostic ignored "-Wunused-function"  // static: the entry points this file does not call
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

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

constexpr stbi_io_callbacks kCallbacks{&CallbackSource::Read, &CallbackSource::Skip, &CallbackSource::Eof};

// False when a Radiance file's run-length scanlines end before the image does.
// Anything else (a header or layout stb refuses, flat scanlines) passes, for stb to judge.
bool HdrScanlinesComplete(const uint8_t* data, size_t size)
{
    // Header lines end at an empty line; the next line gives "-Y height +X width".
    const uint8_t* end = data + size;
    const uint8_t* p = data;
    for (bool emptyLine = false; !emptyLine;) {
        const uint8_t* eol = static_cast<const uint8_t*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            return true; // no pixels follow: nothing to wait for
        emptyLine = eol == p;
        p = eol + 1;
    }
    const uint8_t* eol = static_cast<const uint8_t*>(std::memchr(p, '\n', size_t(end - p)));
    if (!eol)
        return true;
    // Read the way stb reads it (strtol after each tag).
    const std::string line(reinterpret_cast<const char*>(p), size_t(eol - p));
    if (line.compare(0, 3, "-Y ") != 0)
        return true;
    char* rest = nullptr;
    const long height = std::strtol(line.c_str() + 3, &rest, 10);
    while (*rest == ' ')
        ++rest;
    if (std::strncmp(rest, "+X ", 3) != 0)
        return true;
    const long width = std::strtol(rest + 3, nullptr, 10);
    p = eol + 1;
    if (width < 8 || width >= 32768)
        return true; // flat pixels: stb reads a fixed amount
    for (long y = 0; y < height; ++y) {
        if (end - p < 4)
            return false;
        if (p[0] != 2 || p[1] != 2 || (p[2] & 0x80))
            return true; // stb reads the rest as flat pixels
        if (((p[2] << 8) | p[3]) != width)
            return true; // refused by stb
        p += 4;
        for (int channel = 0; channel < 4; ++channel) {
            for (long x = 0; x < width;) {
                if (p == end)
                    return false;
                long count = *p++;
                const bool run = count > 128;
                if (run)
                    count -= 128;
                if (count > width - x)
                    return true; // refused by stb
                if (run ? p == end : count > end - p)
                    return false;
                p += run ? 1 : count;
                x += count; // a zero count advances nothing, as in stb
            }
        }
    }
    return true;
}

// Decodes through stb into `format` (1 or 4 channels of 8 bits, or 4 floats).
bool DecodeWithStb(const uint8_t* data, size_t size, bool hdr, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    if (size > size_t(INT32_MAX)) {
        error = "file too large to decode";
        return false;
    }
    CallbackSource probe{data, size};
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_callbacks(&kCallbacks, &probe, &width, &height, &channels)) {
        error = hdr ? "damaged Radiance HDR header" : "not an image format that can be read";
        return false;
    }
    const DxgiFormat format = hdr ? DxgiFormat::R32G32B32A32_FLOAT
                              : channels == 1 ? DxgiFormat::R8_UNORM
                                              : DxgiFormat::R8G8B8A8_UNORM;
    const int wanted = channels == 1 && !hdr ? 1 : 4;
    // stb decodes into a buffer of its own; the budget counts it before stb allocates.
    if (!FitsImageBudget(uint32_t(width), uint32_t(height), DecodedBytesPerPixel(format), error))
        return false;
    CallbackSource source{data, size};
    int w = 0, h = 0, fileChannels = 0;
    void* pixels = hdr ? static_cast<void*>(stbi_loadf_from_callbacks(&kCallbacks, &source, &w, &h, &fileChannels, wanted))
                       : static_cast<void*>(stbi_load_from_callbacks(&kCallbacks, &source, &w, &h, &fileChannels, wanted));
    image.pixels.reset(static_cast<uint8_t*>(pixels));
    if (!pixels || source.overrun || w != width || h != height) {
        const char* reason = stbi_failure_reason();
        error = source.overrun || !pixels ? (source.overrun ? "image data ends early"
                                                            : std::string("cannot decode: ") + (reason ? reason : "damaged data"))
                                          : "the image changed size while it was read";
        image = DecodedImage{};
        return false;
    }
    image.format = format;
    image.width = uint32_t(w);
    image.height = uint32_t(h);
    image.rowPitch = image.width * DecodedBytesPerPixel(format);
    return true;
}

} // namespace

bool DecodeHdr(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    if (!HdrScanlinesComplete(data, size)) {
        image = DecodedImage{};
        error = "image data ends early";
        return false;
    }
    return DecodeWithStb(data, size, true, image, error);
}

bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    return DecodeWithStb(data, size, false, image, error);
}
