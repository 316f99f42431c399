// UTF-8 to UTF-16 conversion: it refuses exactly what the validity check
// finds, and what it accepts converts back to the same bytes.
#include "FuzzTarget.h"

#include "assets/Utf8Util.h"

#include <cstdlib>

namespace {
std::string Utf8FromUtf16(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size())
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00u);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}
} // namespace

const char* const kFuzzReproPatterns[] = {nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    return {
        {"mixed", "plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 and a NUL: " + std::string(1, '\0')},
        {"invalid", "\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82"},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool valid = utf8util::first_invalid_utf8(text) == std::string_view::npos;
    try {
        const std::u16string wide = utf8util::utf16_from_utf8(text);
        if (!valid || Utf8FromUtf16(wide) != text)
            std::abort();
    } catch (const utf8util::utf8_conversion_error& e) {
        if (valid || e.error_code() != utf8util::kErrorNoUnicodeTranslation)
            std::abort();
    }
    return 0;
}
