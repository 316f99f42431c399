// Fitting an image under the texture size limit: the target size rule and an
// area-averaging (Fant) resampler. It does not convert pixel formats and does
// not blend in linear light: channels are averaged as they are stored.
#pragma once
#include <cstddef>
#include <cstdint>

struct ImageSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The size an image of width x height gets under maxSize: unchanged when both
// fit; otherwise the longer side becomes maxSize and the other follows the
// aspect ratio (computed in float, truncated). Either side may come out 0.
ImageSize ScaledImageSize(uint32_t width, uint32_t height, uint32_t maxSize);

enum class ChannelType { UInt8, UInt16, Float32 };

// Resamples tightly packed pixels of `channels` channels each; every output
// pixel is the area-weighted mean of the source pixels it covers. dst holds
// dstWidth * dstHeight pixels and must not overlap src.
void ScaleImageFant(const void* src, uint32_t srcWidth, uint32_t srcHeight, void* dst, uint32_t dstWidth,
                    uint32_t dstHeight, unsigned channels, ChannelType type);
