// Our own strict decoder: validate the whole input first, then convert, so bad
// input never yields a partial result.
#include "assets/Utf8Util.h"

namespace utf8util {
namespace {
// Decodes one scalar at i, or returns false. Advances i past it.
bool Decode(std::string_view s, size_t& i, uint32_t& cp)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int extra;
    uint32_t minimum;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, minimum = 0x80, cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, minimum = 0x800, cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, minimum = 0x10000, cp = b0 & 0x07u;
    } else {
        return false; // stray continuation byte, C0/C1 overlong lead, or out of range
    }
    if (i + static_cast<size_t>(extra) >= s.size())
        return false; // truncated
    for (int k = 1; k <= extra; ++k) {
        const unsigned char b = byte(i + static_cast<size_t>(k));
        if ((b & 0xC0u) != 0x80u)
            return false;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += static_cast<size_t>(extra) + 1;
    return true;
}
} // namespace

size_t first_invalid_utf8(std::string_view text)
{
    size_t i = 0;
    uint32_t cp = 0;
    while (i < text.size()) {
        // ASCII runs need no decoding.
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t start = i;
        if (!Decode(text, i, cp))
            return start;
    }
    return std::string_view::npos;
}

std::u16string utf16_from_utf8(const std::string& utf8)
{
    std::u16string out;
    if (utf8.empty())
        return out;
    out.reserve(utf8.size());
    size_t i = 0;
    uint32_t cp = 0;
    while (i < utf8.size()) {
        if (!Decode(utf8, i, cp))
            throw utf8_conversion_error("Invalid UTF-8 sequence found in input string.", kErrorNoUnicodeTranslation);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace utf8util
