// The font baker end to end: bake DejaVu Sans with the tool, read it back with
// SpriteFont, and check the tool's usage and error exits.
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteFont.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

using namespace DirectX;

namespace {
const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string Temp(const std::string& name)
{
    return (std::filesystem::path(testing::TempDir()) / ("ml_fontbaker_" + name)).string();
}

// Runs the baker with arguments (already quoted where needed); its exit status.
int Bake(const std::string& args)
{
#ifdef ML_FONTBAKER_PATH
    const std::string command = std::string("'") + ML_FONTBAKER_PATH + "' " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    (void)args;
    return -1;
#endif
}

#define REQUIRE_BAKER()                                                   \
    do {                                                                  \
        if (Bake("--help >/dev/null") != 0)                               \
            GTEST_SKIP() << "ml-fontbaker is not built";                  \
        if (!std::filesystem::exists(kDejaVu))                            \
            GTEST_SKIP() << "fonts-dejavu-core is not installed";         \
    } while (0)
} // namespace

TEST(FontBaker, BakedFontReadsBackAndDraws)
{
    REQUIRE_BAKER();
    const std::string out = Temp("dejavu.spritefont");
    ASSERT_EQ(Bake(std::string("--size 24 --chars 32-126,160-255 --default-char '?' ") + kDejaVu + " '" + out + "'"), 0);

    CNullSpriteBackend backend;
    SpriteFont font(backend, out);
    const auto& glyphs = font.GetGlyphs();
    ASSERT_EQ(glyphs.size(), 95u + 96u);
    for (size_t i = 1; i < glyphs.size(); ++i)
        ASSERT_LT(glyphs[i - 1].Character, glyphs[i].Character); // sorted for the binary search
    EXPECT_EQ(glyphs.front().Character, 32u);
    EXPECT_EQ(glyphs.back().Character, 255u);
    ASSERT_NE(font.GetDefaultGlyph(), nullptr);
    EXPECT_EQ(font.GetDefaultGlyph()->Character, u'?');
    EXPECT_EQ(font.FindGlyph(u'\u20ac')->Character, u'?'); // the euro sign was not baked
    EXPECT_NEAR(font.GetLineSpacing(), 28.0f, 1.0f);        // DejaVu's line gap at 24 px

    auto* sheet = dynamic_cast<CNullSpriteTexture*>(font.GetSheet().get());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format, DxgiFormat::R8G8B8A8_UNORM);
    EXPECT_EQ(sheet->rowPitch, sheet->width * 4);
    // Premultiplied white: every texel's colour equals its alpha.
    std::vector<bool> covered(size_t(sheet->width) * sheet->height);
    for (const auto& g : glyphs) {
        ASSERT_GE(g.Subrect.left, 0);
        ASSERT_GE(g.Subrect.top, 0);
        ASSERT_LE(g.Subrect.right, int32_t(sheet->width));
        ASSERT_LE(g.Subrect.bottom, int32_t(sheet->height));
        for (int32_t y = g.Subrect.top; y < g.Subrect.bottom; ++y)
            for (int32_t x = g.Subrect.left; x < g.Subrect.right; ++x) {
                ASSERT_FALSE(covered[size_t(y) * sheet->width + x]) << "glyphs overlap at " << x << "," << y;
                covered[size_t(y) * sheet->width + x] = true;
            }
    }
    size_t inked = 0;
    for (size_t i = 0; i < covered.size(); ++i) {
        const uint8_t* t = &sheet->bytes[i * 4];
        ASSERT_TRUE(t[0] == t[3] && t[1] == t[3] && t[2] == t[3]) << "texel " << i;
        if (!covered[i]) {
            ASSERT_EQ(t[3], 0) << "ink outside every glyph at texel " << i;
        }
        inked += t[3] > 0;
    }
    EXPECT_GT(inked, 1000u);

    // The space is empty and invisible but advances; 'H' is solid somewhere.
    const auto* space = font.FindGlyph(u' ');
    EXPECT_EQ(space->Subrect.right - space->Subrect.left, 0);
    EXPECT_GT(space->XAdvance, 4.0f);
    const auto* h = font.FindGlyph(u'H');
    EXPECT_GT(h->Subrect.bottom - h->Subrect.top, 12);
    // Text measures like DejaVu Sans at 24 px: "Hello" is about 55 px wide.
    const Vector2 size = font.MeasureText(u"Hello");
    EXPECT_NEAR(size.x, 55.0f, 8.0f);
    EXPECT_EQ(size.y, font.GetLineSpacing());
    EXPECT_FLOAT_EQ(font.MeasureText(u"Hello\nHello").y, 2 * font.GetLineSpacing());
    EXPECT_EQ(font.MeasureText(u"  ").x, 0.0f);
    // The pen moves by the font's own advance: "HH" is H's advance plus H's width.
    const float hAdvance = h->XOffset + float(h->Subrect.right - h->Subrect.left) + h->XAdvance;
    EXPECT_FLOAT_EQ(font.MeasureText(u"HH").x, hAdvance + h->XOffset + float(h->Subrect.right - h->Subrect.left));
}

TEST(FontBaker, CharactersFromATextFile)
{
    REQUIRE_BAKER();
    const std::string chars = Temp("chars.txt");
    std::ofstream(chars) << "\xEF\xBB\xBFh\xC3\xA9llo\r\nh\xC3\xA9llo \xF0\x9F\x98\x80\n";
    const std::string out = Temp("file.spritefont");
    ASSERT_EQ(Bake("--size 16 --chars-file '" + chars + "' " + kDejaVu + " '" + out + "'"), 0);
    CNullSpriteBackend backend;
    SpriteFont font(backend, out);
    std::u16string baked;
    for (const auto& g : font.GetGlyphs())
        baked += static_cast<char16_t>(g.Character);
    // Line breaks, the byte-order mark and the character above U+FFFF are left out.
    EXPECT_EQ(baked, u" hlo\u00e9");
    EXPECT_EQ(font.GetDefaultGlyph(), nullptr);
}

TEST(FontBaker, UsageAndErrorExits)
{
    REQUIRE_BAKER();
    const std::string out = Temp("never.spritefont");
    const std::string font = std::string(" ") + kDejaVu + " '" + out + "'";
    EXPECT_EQ(Bake(""), 2);
    EXPECT_EQ(Bake(kDejaVu), 2);
    EXPECT_EQ(Bake("--bogus" + font), 2);
    EXPECT_EQ(Bake("--size 0" + font), 2);
    EXPECT_EQ(Bake("--size" ), 2);
    EXPECT_EQ(Bake("--chars 126-32" + font), 2);
    EXPECT_EQ(Bake("--chars 0x10000" + font), 2);
    EXPECT_EQ(Bake("--chars 32-x" + font), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(Bake("/no/such/font.ttf '" + out + "'"), 1);
    EXPECT_EQ(Bake("--chars-file /no/such/chars.txt" + font), 1);
    // A default character the font has no glyph for.
    EXPECT_EQ(Bake("--default-char U+FFFF" + font), 1);
    EXPECT_EQ(Bake(std::string(kDejaVu) + " /no/such/dir/out.spritefont"), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}
