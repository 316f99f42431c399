// WebP through libwebp, lossy and lossless, with or without alpha; of an
// animation the first frame as shown on the canvas. The container (its canvas
// size, its EXIF chunk) is read through libwebp's demuxer before anything is
// decoded. Pixels come out as straight (not premultiplied) BGRA.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ExifColorSpace.h"
#include "assets/image/ImageBudget.h"

#include <cstring>
#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

struct DemuxDelete {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

bool DecodeFirstFrame(const WebPData& file, uint32_t width, uint32_t height, DecodedImage& image, std::string& error)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) {
        error = "libwebp version mismatch";
        return false;
    }
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    // The decoder keeps a canvas and the previous one of its own.
    if (!AllocateImage(image, DxgiFormat::B8G8R8A8_UNORM, width, height, error, uint64_t(width) * height * 8))
        return false;
    std::unique_ptr<WebPAnimDecoder, AnimDelete> decoder(WebPAnimDecoderNew(&file, &options));
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!decoder || !WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || !frame) {
        error = "damaged WebP animation";
        return false;
    }
    std::memcpy(image.pixels.get(), frame, image.SizeBytes());
    return true;
}

} // namespace

bool DecodeWebp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    const WebPData file{data, size};
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&file));
    if (!demux) {
        error = "damaged WebP container";
        return false;
    }
    const uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    bool ok = false;
    if (flags & ANIMATION_FLAG) {
        ok = DecodeFirstFrame(file, width, height, image, error);
    } else {
        ok = AllocateImage(image, DxgiFormat::B8G8R8A8_UNORM, width, height, error);
        if (ok && !WebPDecodeBGRAInto(data, size, image.pixels.get(), image.SizeBytes(), int(image.rowPitch))) {
            error = "damaged WebP image data";
            ok = false;
        }
    }
    if (!ok) {
        image = DecodedImage{};
        return false;
    }
    WebPChunkIterator chunk;
    if ((flags & EXIF_FLAG) && WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        image.srgb = ExifColorSpace(chunk.chunk.bytes, chunk.chunk.size) == 1;
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return true;
}
