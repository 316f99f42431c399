// GIF through giflib, first frame only: its pixels are placed on a canvas the
// size of the logical screen, transparent where the frame does not cover it,
// and its transparent index (from the graphics control extension before it)
// reads as alpha 0. Frames are read record by record so that nothing after the
// first image is ever decoded or stored.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ImageBudget.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace {

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t at;
};

int OnRead(GifFileType* gif, GifByteType* out, int count)
{
    auto* source = static_cast<GifSource*>(gif->UserData);
    const size_t n = std::min(source->size - source->at, size_t(std::max(count, 0)));
    std::memcpy(out, source->data + source->at, n);
    source->at += n;
    return int(n);
}

struct GifClose {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

std::string GifError(int code)
{
    const char* text = GifErrorString(code);
    return std::string("damaged GIF: ") + (text ? text : "error " + std::to_string(code));
}

// The transparent index a graphics control extension sets, or -1.
bool ReadExtension(GifFileType* gif, int& transparent)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

} // namespace

bool DecodeGif(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    GifSource source{data, size, 0};
    int code = 0;
    std::unique_ptr<GifFileType, GifClose> gif(DGifOpen(&source, OnRead, &code));
    if (!gif) {
        error = GifError(code);
        return false;
    }
    // The logical screen is the picture: check it before anything is read.
    const uint32_t screenWidth = uint32_t(std::max(gif->SWidth, 0));
    const uint32_t screenHeight = uint32_t(std::max(gif->SHeight, 0));
    if (screenWidth && screenHeight && !FitsImageBudget(screenWidth, screenHeight, 4, error))
        return false;

    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            error = GifError(gif->Error);
            return false;
        }
        if (record == TERMINATE_RECORD_TYPE) {
            error = "the GIF holds no image";
            return false;
        }
        if (record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), transparent)) {
                error = GifError(gif->Error);
                return false;
            }
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE)
            break;
        error = "damaged GIF: unknown record";
        return false;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        error = GifError(gif->Error);
        return false;
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || !colours->Colors) {
        error = "damaged GIF: no colour table";
        return false;
    }
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) {
        error = "damaged GIF: an empty frame";
        return false;
    }
    // A screen of 0 (seen in the wild) takes the first frame's extent.
    const uint32_t width = screenWidth ? screenWidth : uint32_t(frame.Left + frame.Width);
    const uint32_t height = screenHeight ? screenHeight : uint32_t(frame.Top + frame.Height);
    if (!AllocateImage(image, DxgiFormat::R8G8B8A8_UNORM, width, height, error))
        return false;
    std::memset(image.pixels.get(), 0, image.SizeBytes());

    std::vector<GifPixelType> line(size_t(frame.Width));
    // Interlaced frames send every 8th row from 0, every 8th from 4, every 4th from 2, then every 2nd from 1.
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) {
                error = GifError(gif->Error);
                image = DecodedImage{};
                return false;
            }
            const uint32_t y = uint32_t(frame.Top + row);
            if (y >= height)
                continue;
            uint8_t* out = image.pixels.get() + size_t(y) * image.rowPitch;
            for (int x = 0; x < frame.Width && uint32_t(frame.Left + x) < width; ++x) {
                const int index = line[size_t(x)];
                uint8_t* p = out + size_t(frame.Left + x) * 4;
                if (index == transparent)
                    continue; // stays (0, 0, 0, 0)
                if (index < colours->ColorCount) {
                    const GifColorType& c = colours->Colors[index];
                    p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue;
                }
                p[3] = 255; // an index past the table reads as opaque black
            }
        }
    }
    return true;
}
