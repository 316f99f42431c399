// Pixels packed by bit masks, as BMP bitfields and uncompressed DDS files
// describe them: each channel's bits are found by its mask and scaled to 8
// bits. It reads one packed value; it knows nothing of rows or files.
#pragma once
#include <bit>
#include <cstdint>

struct ChannelMask {
    uint32_t mask = 0;

    // The channel scaled to 0..255, or `absent` when the mask is empty.
    uint8_t Expand(uint32_t pixel, uint8_t absent = 255) const
    {
        if (mask == 0)
            return absent;
        const uint32_t shift = uint32_t(std::countr_zero(mask));
        const uint64_t max = uint64_t(mask >> shift);
        return uint8_t(((uint64_t(pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

struct ChannelMasks {
    ChannelMask r, g, b, a;

    // R, G, B, A to out[0..3]; alpha 255 without an alpha mask.
    void ToRgba(uint32_t pixel, uint8_t* out) const
    {
        out[0] = r.Expand(pixel, 0);
        out[1] = g.Expand(pixel, 0);
        out[2] = b.Expand(pixel, 0);
        out[3] = a.Expand(pixel, 255);
    }
};
