// PNG through libpng: checksums verified (a damaged critical chunk or zlib
// stream fails the file), tRNS expanded to alpha, Adam7 interlacing undone.
// libpng reports errors by longjmp, so everything it may jump over lives in a
// plain struct owned by the caller; the frame that calls setjmp holds no C++
// object and changes no local after it. No gamma or colour correction is
// applied: samples are passed on as stored, as the imaging component does.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ImageBudget.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace {

// Colour type (and a tRNS chunk) -> format, as the imaging component's native
// PNG pixel formats map: gray stays gray, RGB and palette become RGBA, 8-bit
// alpha (also gray with a transparent colour key) stays BGRA, 16-bit colour
// becomes 64-bit RGBA.
struct PngRule {
    int colourType;
    int trns; // 0: without a tRNS chunk, 1: with one, -1: either
    DxgiFormat format8;
    DxgiFormat format16;
};
constexpr PngRule kRules[] = {
    {PNG_COLOR_TYPE_GRAY, 0, DxgiFormat::R8_UNORM, DxgiFormat::R16_UNORM},
    {PNG_COLOR_TYPE_GRAY, 1, DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
    {PNG_COLOR_TYPE_RGB, -1, DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
    {PNG_COLOR_TYPE_PALETTE, -1, DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R8G8B8A8_UNORM},
    {PNG_COLOR_TYPE_GRAY_ALPHA, -1, DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
    {PNG_COLOR_TYPE_RGB_ALPHA, -1, DxgiFormat::B8G8R8A8_UNORM, DxgiFormat::R16G16B16A16_UNORM},
};

// Everything a longjmp may leave behind; released by the destructor, outside the jumping frame.
struct PngJob {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytepp rows = nullptr;
    DecodedImage* image = nullptr;
    std::string* error = nullptr;
    std::jmp_buf jump;
    char message[200] = {};

    ~PngJob()
    {
        std::free(rows);
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

[[noreturn]] void OnError(png_structp png, png_const_charp message)
{
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message && *message ? message : "damaged PNG data");
    std::longjmp(job->jump, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t count)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (count > job->size - job->at)
        png_error(png, "image data ends early");
    std::memcpy(out, job->data + job->at, count);
    job->at += count;
}

// True when an sRGB chunk (its one byte, the rendering intent) comes before the
// image data: the only thing that makes a PNG sRGB. libpng reads and checks the
// chunk; it is kept as it stands so that an ICC profile that merely matches
// sRGB does not count, as it does not for the imaging component.
bool HasSrgbChunk(png_structp png, png_infop info)
{
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png, info, &chunks);
    for (int i = 0; i < count; ++i)
        if (std::memcmp(chunks[i].name, "sRGB", 4) == 0 && chunks[i].size == 1 &&
            (chunks[i].location & PNG_AFTER_IDAT) == 0)
            return true;
    return false;
}

// Returns 0, or 1 after a libpng error (the message is in job.message), or 2
// after a failure of ours (the reason is in *job.error).
int ReadPng(PngJob& job)
{
    if (setjmp(job.jump))
        return 1;
    png_structp png = job.png;
    png_infop info = job.info;
    png_set_read_fn(png, &job, OnRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    static const png_byte kSrgb[5] = {'s', 'R', 'G', 'B', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kSrgb, 1);
    png_read_info(png, info);

    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    const int trns = png_get_valid(png, info, PNG_INFO_tRNS) ? 1 : 0;
    DxgiFormat format = DxgiFormat::UNKNOWN;
    for (const PngRule& rule : kRules)
        if (rule.colourType == colourType && (rule.trns < 0 || rule.trns == trns))
            format = depth == 16 ? rule.format16 : rule.format8;
    if (format == DxgiFormat::UNKNOWN) {
        *job.error = "unknown PNG colour type " + std::to_string(colourType);
        return 2;
    }

    const bool oneChannel = format == DxgiFormat::R8_UNORM || format == DxgiFormat::R16_UNORM;
    if (oneChannel) {
        png_set_expand_gray_1_2_4_to_8(png);
    } else {
        png_set_expand(png); // palette to RGB, gray to 8 bits, tRNS to alpha
        if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
            png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER); // only where no alpha came from the file
        if (format == DxgiFormat::B8G8R8A8_UNORM)
            png_set_bgr(png);
    }
    if (depth == 16 && std::endian::native == std::endian::little)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    if (!AllocateImage(*job.image, format, width, height, *job.error))
        return 2;
    if (png_get_rowbytes(png, info) != job.image->rowPitch) {
        *job.error = "unexpected PNG row layout";
        return 2;
    }
    job.rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (!job.rows) {
        *job.error = "out of memory";
        return 2;
    }
    for (uint32_t y = 0; y < height; ++y)
        job.rows[y] = job.image->pixels.get() + size_t(y) * job.image->rowPitch;
    png_read_image(png, job.rows);
    // Reads to IEND: the rest of the zlib stream (its checksum) and every later chunk's CRC.
    png_read_end(png, nullptr);
    job.image->srgb = HasSrgbChunk(png, info);
    return 0;
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    PngJob job;
    job.data = data;
    job.size = size;
    job.image = &image;
    job.error = &error;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
    if (job.png)
        job.info = png_create_info_struct(job.png);
    if (!job.png || !job.info) {
        error = "out of memory";
        return false;
    }
    const int result = ReadPng(job);
    if (result == 0)
        return true;
    if (result == 1)
        error = std::string("damaged PNG: ") + job.message;
    image = DecodedImage{};
    return false;
}
