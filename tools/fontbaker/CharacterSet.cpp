// Range lists and text files to sets of UTF-16 code units.
#include "CharacterSet.h"

#include "assets/Utf8Util.h"

#include <cctype>

namespace {
bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

uint32_t ParseNumber(const std::string& text)
{
    std::string digits = text;
    int base = 10;
    if (digits.size() > 2 && (digits.compare(0, 2, "0x") == 0 || digits.compare(0, 2, "0X") == 0 ||
                              digits.compare(0, 2, "U+") == 0 || digits.compare(0, 2, "u+") == 0)) {
        digits = digits.substr(2);
        base = 16;
    }
    if (digits.empty() || digits.size() > 8)
        throw CharacterSetError("not a character number: \"" + text + "\"");
    uint32_t value = 0;
    for (char ch : digits) {
        const int c = static_cast<unsigned char>(ch);
        int digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = std::tolower(c) - 'a' + 10;
        else
            throw CharacterSetError("not a character number: \"" + text + "\"");
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (value > 0xFFFF)
        throw CharacterSetError("\"" + text + "\" is above U+FFFF; sprite fonts look up UTF-16 code units only");
    return value;
}
} // namespace

void AddCharacterRanges(const std::string& ranges, std::set<char16_t>& out)
{
    size_t start = 0;
    while (start <= ranges.size()) {
        size_t end = ranges.find(',', start);
        if (end == std::string::npos)
            end = ranges.size();
        const std::string item = ranges.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            throw CharacterSetError("empty item in character ranges \"" + ranges + "\"");
        // A '-' after the first character separates the ends of a range.
        const size_t dash = item.find('-', 1);
        const uint32_t first = ParseNumber(item.substr(0, dash));
        const uint32_t last = dash == std::string::npos ? first : ParseNumber(item.substr(dash + 1));
        if (last < first)
            throw CharacterSetError("reversed range \"" + item + "\"");
        for (uint32_t c = first; c <= last; ++c)
            if (!IsSurrogate(c))
                out.insert(static_cast<char16_t>(c));
    }
}

char16_t ParseCharacter(const std::string& text)
{
    std::u16string units;
    try {
        units = utf8util::utf16_from_utf8(text);
    } catch (const utf8util::utf8_conversion_error&) {
    }
    if (units.size() == 1 && !IsSurrogate(units[0]) && !(units[0] >= u'0' && units[0] <= u'9'))
        return units[0];
    const uint32_t value = ParseNumber(text);
    if (IsSurrogate(value))
        throw CharacterSetError("\"" + text + "\" is a surrogate, not a character");
    return static_cast<char16_t>(value);
}

int AddCharactersOfText(const std::string& utf8, std::set<char16_t>& out)
{
    const std::u16string units = utf8util::utf16_from_utf8(utf8);
    int leftOut = 0;
    for (char16_t c : units) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue; // counted at its high half
        if (c >= 0xD800 && c <= 0xDBFF) {
            ++leftOut;
            continue;
        }
        if (c == u'\n' || c == u'\r' || c == 0xFEFF)
            continue;
        out.insert(c);
    }
    return leftOut;
}
