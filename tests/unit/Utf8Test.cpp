// Strict UTF-8 to UTF-16 conversion.
#include "assets/Utf8Util.h"

#include <gtest/gtest.h>

namespace {
using utf8util::utf16_from_utf8;

TEST(Utf8, ConvertsValidInput)
{
    EXPECT_EQ(utf16_from_utf8(""), u"");
    EXPECT_EQ(utf16_from_utf8("abc"), u"abc");
    EXPECT_EQ(utf16_from_utf8("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(utf16_from_utf8("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(utf16_from_utf8("\xF0\x9F\x98\x80"), std::u16string({0xD83D, 0xDE00}));
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(utf16_from_utf8(withNul), std::u16string(u"a\0b", 3));
}

TEST(Utf8, RejectsMalformedInputWithTheInvalidSequenceError)
{
    const char* bad[] = {
        "\x80",             // lone continuation
        "a\xBF",            // stray continuation after ASCII
        "\xC0\xAF",         // overlong slash
        "\xE0\x80\xAF",     // overlong three-byte
        "\xF0\x80\x80\xAF", // overlong four-byte
        "\xC3",             // truncated
        "\xE2\x82",         // truncated
        "\xED\xA0\x80",     // UTF-16 surrogate encoded
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xFF",
    };
    for (const char* s : bad) {
        EXPECT_EQ(utf8util::first_invalid_utf8(std::string("ok\xC3\xA9") + s), s[0] == 'a' ? 5u : 4u);
        try {
            utf16_from_utf8(s);
            ADD_FAILURE() << "accepted " << ::testing::PrintToString(std::string(s));
        } catch (const utf8util::utf8_conversion_error& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence found in input string.");
            EXPECT_EQ(e.error_code(), 1113u);
            EXPECT_EQ(e.kind_code(), 1u);
        }
    }
    EXPECT_EQ(utf8util::first_invalid_utf8(std::string("a\0\xF0\x9F\x98\x80", 6)), std::string_view::npos);
}
} // namespace
