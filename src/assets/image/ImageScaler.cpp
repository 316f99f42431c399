// Target size rule and the area-averaging resampler, done separably: each
// source row is resampled across once, then rows are blended down.
#include "assets/image/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

ImageSize ScaledImageSize(uint32_t width, uint32_t height, uint32_t maxSize)
{
    if (width <= maxSize && height <= maxSize)
        return {width, height};
    // The rule works in single precision; keep it so the sizes match.
    const float ar = float(height) / float(width);
    if (width > height)
        return {maxSize, uint32_t(float(maxSize) * ar)};
    return {uint32_t(float(maxSize) / ar), maxSize};
}

namespace {

// Which source pixels feed each target pixel along one axis, and how much.
struct AxisWeights {
    std::vector<uint32_t> first; // first source index per target index
    std::vector<uint32_t> count;
    std::vector<uint32_t> offset; // into weights
    std::vector<float> weights;

    AxisWeights(uint32_t srcSize, uint32_t dstSize)
        : first(dstSize), count(dstSize), offset(dstSize)
    {
        const double scale = double(srcSize) / double(dstSize);
        for (uint32_t i = 0; i < dstSize; ++i) {
            const double a = i * scale;
            const double b = std::min(double(srcSize), (i + 1) * scale);
            const uint32_t j0 = std::min(srcSize - 1, uint32_t(a));
            const uint32_t j1 = std::max(j0 + 1, std::min(srcSize, uint32_t(std::ceil(b))));
            first[i] = j0;
            count[i] = j1 - j0;
            offset[i] = uint32_t(weights.size());
            for (uint32_t j = j0; j < j1; ++j) {
                const double covered = std::min(b, double(j + 1)) - std::max(a, double(j));
                weights.push_back(float(std::max(0.0, covered) / (b - a)));
            }
        }
    }
};

template <typename T>
T FromFloat(float v)
{
    if constexpr (std::is_same_v<T, float>) {
        return v;
    } else {
        constexpr float top = float(std::numeric_limits<T>::max());
        return T(std::clamp(v + 0.5f, 0.0f, top));
    }
}

template <typename T>
void Scale(const T* src, uint32_t srcWidth, uint32_t srcHeight, T* dst, uint32_t dstWidth, uint32_t dstHeight,
           unsigned channels)
{
    const AxisWeights across(srcWidth, dstWidth);
    const AxisWeights down(srcHeight, dstHeight);
    const size_t rowValues = size_t(dstWidth) * channels;
    std::vector<float> row(rowValues);
    std::vector<float> sum(rowValues);
    uint32_t rowFrom = UINT32_MAX; // the source row now held in `row`

    for (uint32_t y = 0; y < dstHeight; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (uint32_t k = 0; k < down.count[y]; ++k) {
            const uint32_t sy = down.first[y] + k;
            if (sy != rowFrom) {
                const T* in = src + size_t(sy) * srcWidth * channels;
                for (uint32_t x = 0; x < dstWidth; ++x) {
                    float* out = &row[size_t(x) * channels];
                    std::fill(out, out + channels, 0.0f);
                    const float* w = &across.weights[across.offset[x]];
                    const T* p = in + size_t(across.first[x]) * channels;
                    for (uint32_t i = 0; i < across.count[x]; ++i, p += channels)
                        for (unsigned c = 0; c < channels; ++c)
                            out[c] += w[i] * float(p[c]);
                }
                rowFrom = sy;
            }
            const float w = down.weights[down.offset[y] + k];
            for (size_t i = 0; i < rowValues; ++i)
                sum[i] += w * row[i];
        }
        T* out = dst + size_t(y) * rowValues;
        for (size_t i = 0; i < rowValues; ++i)
            out[i] = FromFloat<T>(sum[i]);
    }
}

} // namespace

void ScaleImageFant(const void* src, uint32_t srcWidth, uint32_t srcHeight, void* dst, uint32_t dstWidth,
                    uint32_t dstHeight, unsigned channels, ChannelType type)
{
    if (srcWidth == 0 || srcHeight == 0 || dstWidth == 0 || dstHeight == 0)
        return;
    switch (type) {
    case ChannelType::UInt8:
        Scale(static_cast<const uint8_t*>(src), srcWidth, srcHeight, static_cast<uint8_t*>(dst), dstWidth,
              dstHeight, channels);
        break;
    case ChannelType::UInt16:
        Scale(static_cast<const uint16_t*>(src), srcWidth, srcHeight, static_cast<uint16_t*>(dst), dstWidth,
              dstHeight, channels);
        break;
    case ChannelType::Float32:
        Scale(static_cast<const float*>(src), srcWidth, srcHeight, static_cast<float*>(dst), dstWidth, dstHeight,
              channels);
        break;
    }
}
