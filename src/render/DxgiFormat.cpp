// The DXGI format names and layouts, generated from the one list in the header.
#include "render/DxgiFormat.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr DxgiFormatInfo kFormats[] = {
#define ML_DXGI_INFO(name, value, bw, bh, bytes) {DxgiFormat::name, #name, bw, bh, bytes},
    ML_DXGI_FORMATS(ML_DXGI_INFO)
#undef ML_DXGI_INFO
};
static_assert(std::size(kFormats) == kDxgiFormatCount);

constexpr bool StrictlyIncreasing()
{
    for (size_t i = 1; i < std::size(kFormats); ++i)
        if (static_cast<uint32_t>(kFormats[i - 1].format) >= static_cast<uint32_t>(kFormats[i].format))
            return false;
    return true;
}
static_assert(StrictlyIncreasing(), "formats in number order, each once");

} // namespace

std::span<const DxgiFormatInfo> DxgiFormats() { return kFormats; }

const DxgiFormatInfo* FindDxgiFormat(uint32_t value)
{
    const auto it = std::lower_bound(std::begin(kFormats), std::end(kFormats), value,
                                     [](const DxgiFormatInfo& f, uint32_t v) { return uint32_t(f.format) < v; });
    return it != std::end(kFormats) && uint32_t(it->format) == value ? &*it : nullptr;
}

std::string DescribeDxgiFormat(uint32_t value)
{
    const DxgiFormatInfo* info = FindDxgiFormat(value);
    if (!info)
        return "unknown DXGI format " + std::to_string(value);
    const std::string name = info->format == DxgiFormat::OPAQUE_420 ? "420_OPAQUE" : info->name;
    return name + " (" + std::to_string(value) + ")";
}
