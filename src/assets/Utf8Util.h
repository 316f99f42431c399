// Strict UTF-8 to UTF-16 conversion for drawn text and wide platform strings.
// Rejects malformed, overlong, surrogate and truncated sequences; never replaces.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace utf8util {

class utf8_conversion_error : public std::runtime_error {
public:
    utf8_conversion_error(const char* message, uint32_t errorCode)
        : std::runtime_error(message), m_nErrorCode(errorCode) {}
    uint32_t kind_code() const { return 1; }
    uint32_t error_code() const { return m_nErrorCode; }

private:
    uint32_t m_nErrorCode;
};

// The code the platform reports for bytes that are not UTF-8.
inline constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

std::u16string utf16_from_utf8(const std::string& utf8);

// Offset of the first byte that does not start a valid sequence by the same
// rules, or std::string_view::npos when all of text is UTF-8.
size_t first_invalid_utf8(std::string_view text);

} // namespace utf8util
