// TIFF through libtiff, first image only. 8- and 16-bit gray, gray+alpha, RGB
// and RGBA and 32-bit float data in strips or tiles are read as stored (alpha
// premultiplied by the file is divided out, as the imaging component converts
// premultiplied formats); everything else libtiff can render (palette,
// bilevel, 2- and 4-bit gray, CMYK, YCbCr, JPEG-in-TIFF, separate planes) comes
// through its RGBA reader. The Exif ColorSpace of the Exif directory decides sRGB.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ImageBudget.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tiffio.h>
#include <type_traits>
#include <vector>

namespace {

struct TiffSource {
    const uint8_t* data;
    size_t size;
    toff_t at;
    std::string firstError;
};

tmsize_t OnRead(thandle_t handle, void* out, tmsize_t count)
{
    auto* s = static_cast<TiffSource*>(handle);
    if (count <= 0 || s->at >= s->size)
        return 0;
    const size_t n = std::min(size_t(count), size_t(s->size - s->at));
    std::memcpy(out, s->data + s->at, n);
    s->at += n;
    return tmsize_t(n);
}
tmsize_t OnWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t OnSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* s = static_cast<TiffSource*>(handle);
    const toff_t base = whence == SEEK_CUR ? s->at : whence == SEEK_END ? toff_t(s->size) : 0;
    s->at = base + offset; // reads past the end find nothing
    return s->at;
}
int OnClose(thandle_t) { return 0; }
toff_t OnSize(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }
int OnMap(thandle_t, void**, toff_t*) { return 0; }
void OnUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* s = static_cast<TiffSource*>(user);
    if (s->firstError.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        s->firstError = std::string(module ? module : "libtiff") + ": " + text;
    }
    return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, sampleFormat = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK,
             planar = PLANARCONFIG_CONTIG;
    bool associatedAlpha = false; // the first extra sample is premultiplied alpha
};

// Samples per pixel and sample kind -> format read as stored; UNKNOWN sends the
// file through libtiff's RGBA reader.
struct DirectRule {
    uint16_t photometric;
    uint16_t samples;
    uint16_t bits;
    uint16_t sampleFormat;
    DxgiFormat format;
};
constexpr DirectRule kDirect[] = {
    {PHOTOMETRIC_MINISBLACK, 1, 8, SAMPLEFORMAT_UINT, DxgiFormat::R8_UNORM},
    {PHOTOMETRIC_MINISBLACK, 1, 16, SAMPLEFORMAT_UINT, DxgiFormat::R16_UNORM},
    {PHOTOMETRIC_MINISBLACK, 1, 32, SAMPLEFORMAT_IEEEFP, DxgiFormat::R32_FLOAT},
    {PHOTOMETRIC_MINISWHITE, 1, 8, SAMPLEFORMAT_UINT, DxgiFormat::R8_UNORM},
    {PHOTOMETRIC_MINISWHITE, 1, 16, SAMPLEFORMAT_UINT, DxgiFormat::R16_UNORM},
    {PHOTOMETRIC_MINISBLACK, 2, 8, SAMPLEFORMAT_UINT, DxgiFormat::R8G8B8A8_UNORM},
    {PHOTOMETRIC_MINISBLACK, 2, 16, SAMPLEFORMAT_UINT, DxgiFormat::R16G16B16A16_UNORM},
    {PHOTOMETRIC_RGB, 3, 8, SAMPLEFORMAT_UINT, DxgiFormat::R8G8B8A8_UNORM},
    {PHOTOMETRIC_RGB, 3, 16, SAMPLEFORMAT_UINT, DxgiFormat::R16G16B16A16_UNORM},
    {PHOTOMETRIC_RGB, 3, 32, SAMPLEFORMAT_IEEEFP, DxgiFormat::R32G32B32_FLOAT},
    {PHOTOMETRIC_RGB, 4, 8, SAMPLEFORMAT_UINT, DxgiFormat::R8G8B8A8_UNORM},
    {PHOTOMETRIC_RGB, 4, 16, SAMPLEFORMAT_UINT, DxgiFormat::R16G16B16A16_UNORM},
    {PHOTOMETRIC_RGB, 4, 32, SAMPLEFORMAT_IEEEFP, DxgiFormat::R32G32B32A32_FLOAT},
};

DxgiFormat DirectFormat(const Layout& l)
{
    if (l.planar != PLANARCONFIG_CONTIG && l.samples > 1)
        return DxgiFormat::UNKNOWN;
    for (const DirectRule& r : kDirect)
        if (r.photometric == l.photometric && r.samples == l.samples && r.bits == l.bits &&
            r.sampleFormat == l.sampleFormat)
            return r.format;
    return DxgiFormat::UNKNOWN;
}

template <typename T> constexpr T One()
{
    if constexpr (std::is_floating_point_v<T>)
        return T(1);
    else
        return T(~T(0));
}
template <typename T> constexpr T kOne = One<T>();

template <typename T> T Unpremultiply(T value, T alpha)
{
    if constexpr (std::is_floating_point_v<T>) {
        return alpha > T(0) ? value / alpha : T(0);
    } else {
        if (alpha == 0)
            return 0;
        const uint64_t v = (uint64_t(value) * kOne<T> + alpha / 2) / alpha;
        return T(std::min<uint64_t>(v, kOne<T>));
    }
}

// One row of `samples`-sample pixels, as stored, to the output format's channels.
template <typename T>
void ConvertRow(const uint8_t* in, uint8_t* out, uint32_t width, const Layout& l, unsigned outChannels)
{
    T pixel[4] = {};
    const size_t samples = std::min<size_t>(l.samples, 4);
    for (uint32_t x = 0; x < width; ++x) {
        std::memcpy(pixel, in + size_t(x) * l.samples * sizeof(T), samples * sizeof(T));
        if (l.photometric == PHOTOMETRIC_MINISWHITE)
            pixel[0] = T(kOne<T> - pixel[0]);
        T result[4];
        if (l.samples <= 2) { // gray, gray + alpha
            result[0] = result[1] = result[2] = pixel[0];
            result[3] = l.samples == 2 ? pixel[1] : kOne<T>;
        } else {
            result[0] = pixel[0], result[1] = pixel[1], result[2] = pixel[2];
            result[3] = l.samples == 4 ? pixel[3] : kOne<T>;
        }
        if (l.associatedAlpha && l.samples % 2 == 0)
            for (int c = 0; c < 3; ++c)
                result[c] = Unpremultiply(result[c], result[3]);
        std::memcpy(out + size_t(x) * outChannels * sizeof(T), result, outChannels * sizeof(T));
    }
}

void ConvertRow(const uint8_t* in, uint8_t* out, uint32_t width, const Layout& l, unsigned outChannels)
{
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP)
        ConvertRow<float>(in, out, width, l, outChannels);
    else if (l.bits == 16)
        ConvertRow<uint16_t>(in, out, width, l, outChannels);
    else
        ConvertRow<uint8_t>(in, out, width, l, outChannels);
}

bool ReadDirect(TIFF* tif, const Layout& l, DecodedImage& image, std::string& error)
{
    const size_t sampleBytes = l.bits / 8;
    const size_t inPixel = sampleBytes * l.samples;
    const unsigned outChannels = unsigned(DecodedBytesPerPixel(image.format) / sampleBytes);
    if (TIFFIsTiled(tif)) {
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileSize = TIFFTileSize(tif);
        if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 ||
            uint64_t(tileSize) < uint64_t(tileWidth) * tileHeight * inPixel ||
            !FitsImageBudget(tileWidth, tileHeight, inPixel, error, image.SizeBytes())) {
            error = error.empty() ? "damaged TIFF tile layout" : error;
            return false;
        }
        std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
        for (uint32_t ty = 0; ty < l.height; ty += tileHeight)
            for (uint32_t tx = 0; tx < l.width; tx += tileWidth) {
                if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                    return false;
                const uint32_t w = std::min(tileWidth, l.width - tx);
                for (uint32_t y = 0; y < tileHeight && ty + y < l.height; ++y)
                    ConvertRow(tile.data() + size_t(y) * tileWidth * inPixel,
                               image.pixels.get() + size_t(ty + y) * image.rowPitch +
                                   size_t(tx) * outChannels * sampleBytes,
                               w, l, outChannels);
            }
        return true;
    }
    uint32_t rowsPerStrip = l.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, l.height);
    const size_t rowBytes = size_t(l.width) * inPixel;
    if (!FitsImageBudget(l.width, rowsPerStrip, inPixel, error, image.SizeBytes()))
        return false;
    std::vector<uint8_t> strip(rowBytes * rowsPerStrip);
    for (uint32_t y = 0; y < l.height; y += rowsPerStrip) {
        const uint32_t rows = std::min(rowsPerStrip, l.height - y);
        const tmsize_t got =
            TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), strip.data(), tmsize_t(rows * rowBytes));
        if (got < tmsize_t(rows * rowBytes))
            return false;
        for (uint32_t r = 0; r < rows; ++r)
            ConvertRow(strip.data() + r * rowBytes, image.pixels.get() + size_t(y + r) * image.rowPitch, l.width, l,
                       outChannels);
    }
    return true;
}

// libtiff's RGBA reader premultiplies alpha; the imaging component hands out straight alpha.
void UnpremultiplyRgba8(uint8_t* p, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i, p += 4)
        if (p[3] != 255)
            for (int c = 0; c < 3; ++c)
                p[c] = Unpremultiply<uint8_t>(p[c], p[3]);
}

bool ReadThroughRgba(TIFF* tif, const Layout& l, DecodedImage& image, std::string& error)
{
    char why[1024] = {};
    if (!TIFFRGBAImageOK(tif, why)) {
        error = std::string("unsupported TIFF: ") + why;
        return false;
    }
    // Bilevel and 2- or 4-bit gray become 8-bit gray, as the imaging component converts them.
    const bool gray = (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE) &&
                      l.samples == 1 && l.bits < 8;
    const DxgiFormat format = gray ? DxgiFormat::R8_UNORM : DxgiFormat::R8G8B8A8_UNORM;
    const uint64_t raster = gray ? uint64_t(l.width) * l.height * 4 : 0;
    if (!AllocateImage(image, format, l.width, l.height, error, raster))
        return false;
    std::unique_ptr<uint32_t[]> grayRaster;
    uint32_t* target = reinterpret_cast<uint32_t*>(image.pixels.get()); // malloc'd: aligned for uint32_t
    if (gray) {
        grayRaster.reset(new (std::nothrow) uint32_t[size_t(l.width) * l.height]);
        if (!grayRaster) {
            error = "out of memory";
            return false;
        }
        target = grayRaster.get();
    }
    if (!TIFFReadRGBAImageOriented(tif, l.width, l.height, target, ORIENTATION_TOPLEFT, 1))
        return false;
    const size_t pixels = size_t(l.width) * l.height;
    if (gray) {
        for (size_t i = 0; i < pixels; ++i)
            image.pixels[i] = uint8_t(TIFFGetR(grayRaster[i]));
        return true;
    }
    // The reader packs R in the low byte: R, G, B, A in memory on a little-endian host.
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t v = target[i];
        uint8_t* p = image.pixels.get() + i * 4;
        p[0] = uint8_t(TIFFGetR(v)), p[1] = uint8_t(TIFFGetG(v)), p[2] = uint8_t(TIFFGetB(v)), p[3] = uint8_t(TIFFGetA(v));
    }
    UnpremultiplyRgba8(image.pixels.get(), pixels);
    return true;
}

bool ExifSrgb(TIFF* tif)
{
    toff_t exif = 0;
    if (!TIFFGetField(tif, TIFFTAG_EXIFIFD, &exif) || !TIFFReadEXIFDirectory(tif, exif))
        return false;
    uint16_t colourSpace = 0;
    return TIFFGetField(tif, EXIFTAG_COLORSPACE, &colourSpace) && colourSpace == 1;
}

} // namespace

bool DecodeTiff(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    TiffSource source{data, size, 0, {}};
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options) {
        error = "out of memory";
        return false;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kImageMemoryBudget));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &source);
    std::unique_ptr<TIFF, TiffClose> tif(TIFFClientOpenExt("image", "rm", &source, OnRead, OnWrite, OnSeek, OnClose,
                                                           OnSize, OnMap, OnUnmap, options.get()));
    auto fail = [&](const std::string& fallback) {
        error = "damaged TIFF: " + (source.firstError.empty() ? fallback : source.firstError);
        image = DecodedImage{};
        return false;
    };
    if (!tif)
        return fail("cannot read its header");

    Layout l;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &l.planar);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra)
        l.associatedAlpha = extra[0] == EXTRASAMPLE_ASSOCALPHA;

    const DxgiFormat direct = DirectFormat(l);
    bool ok = false;
    if (direct != DxgiFormat::UNKNOWN) {
        if (!AllocateImage(image, direct, l.width, l.height, error))
            return false;
        ok = ReadDirect(tif.get(), l, image, error);
    } else {
        ok = ReadThroughRgba(tif.get(), l, image, error);
    }
    if (!ok) {
        if (error.empty())
            return fail("cannot read its image data");
        image = DecodedImage{};
        return false;
    }
    image.srgb = ExifSrgb(tif.get());
    return true;
}
