// Sprite font files: the format, every way a file can be refused, glyph lookup.
#include "support/TempDir.h"
#include "unit/SpriteFontBytes.h"

#include "assets/sprite/BinaryReader.h"
#include "assets/sprite/ComException.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteBatch.h"
#include "assets/sprite/SpriteFont.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <sys/stat.h>

using namespace DirectX;

namespace {
// The message a font made from bytes raises, or "" when it loads.
std::string LoadError(const std::vector<uint8_t>& bytes, ISpriteDevice* device = nullptr)
{
    CNullSpriteBackend backend;
    try {
        SpriteFont font(device ? *device : backend, bytes.data(), bytes.size());
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

} // namespace

TEST(SpriteFont, ReadsEveryFieldAndMakesTheSheet)
{
    SpriteFontBytes f = LayoutFontBytes();
    f.defaultCharacter = '?';
    f.rowCount = 40; // more rows than the height: only the sheet's rows reach the device
    const auto bytes = f.Build();
    std::vector<uint8_t> withTrailer = bytes;
    withTrailer.insert(withTrailer.end(), {1, 2, 3}); // bytes after the texture data are ignored

    CNullSpriteBackend backend;
    SpriteFont font(backend, withTrailer.data(), withTrailer.size());
    ASSERT_EQ(font.GetGlyphs().size(), 6u);
    const SpriteFont::Glyph& b = font.GetGlyphs()[3];
    EXPECT_EQ(std::make_tuple(b.Character, b.Subrect.left, b.Subrect.top, b.Subrect.right, b.Subrect.bottom),
              std::make_tuple(u'B', 10, 0, 18, 20));
    EXPECT_EQ(std::make_tuple(b.XOffset, b.YOffset, b.XAdvance), std::make_tuple(-3.0f, 0.0f, 2.0f));
    EXPECT_EQ(font.GetLineSpacing(), 24.0f);
    ASSERT_NE(font.GetDefaultGlyph(), nullptr);
    EXPECT_EQ(font.GetDefaultGlyph()->Character, u'?');

    auto* sheet = dynamic_cast<CNullSpriteTexture*>(font.GetSheet().get());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format, DxgiFormat::R8G8B8A8_UNORM);
    EXPECT_EQ(std::make_tuple(sheet->width, sheet->height, sheet->rowPitch), std::make_tuple(64u, 32u, 256u));
    ASSERT_EQ(sheet->bytes.size(), 256u * 32);
    const size_t data = f.TextureDataOffset();
    EXPECT_TRUE(std::equal(sheet->bytes.begin(), sheet->bytes.end(), bytes.begin() + long(data)));
}

TEST(SpriteFont, RefusedFilesSayWhy)
{
    const SpriteFontBytes layout = LayoutFontBytes();
    const auto bytes = layout.Build();
    const std::string invalidArg = "Failure with HRESULT of 80070057";
    const auto with = [&](const std::function<void(SpriteFontBytes&)>& change) {
        SpriteFontBytes f = layout;
        change(f);
        return f.Build();
    };
    const auto magic = [&](size_t at, uint8_t value) {
        auto b = bytes;
        b[at] = value;
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        std::string error;
    } cases[] = {
        // "DXTKfonT": wrong in the last magic byte only; shorter than the magic, the data ends first.
        {"last magic byte", magic(7, 'T'), "Not a MakeSpriteFont output binary"},
        {"first magic byte", magic(0, 'd'), "Not a MakeSpriteFont output binary"},
        {"empty", {}, "End of file"},
        {"half the magic", {'D', 'X', 'T', 'K'}, "End of file"},
        {"wrong short magic", {'D', 'X', 'Q'}, "Not a MakeSpriteFont output binary"},
        {"cut in the glyph count", Cut(bytes, 10), "End of file"},
        {"cut in the glyph table", Cut(bytes, layout.GlyphTableOffset() + 32 + 5), "End of file"},
        {"cut in the line spacing", Cut(bytes, layout.LineSpacingOffset() + 2), "End of file"},
        {"cut in the texture header", Cut(bytes, layout.LineSpacingOffset() + 20), "End of file"},
        {"cut in the texture data", Cut(bytes, bytes.size() - 1), "End of file"},
        {"no texture data", Cut(bytes, layout.TextureDataOffset()), "End of file"},
        // Counts and sizes far beyond the file are refused before anything is allocated
        // (pitch x rows is not 32-bit arithmetic).
        {"huge glyph count", with([](auto& f) { f.overrideCount = true, f.count = 0xFFFFFFFFu; }), "End of file"},
        {"big texture", with([](auto& f) { f.rowPitch = f.rowCount = 0x10000, f.overrideData = true, f.dataBytes = 1000; }),
         "End of file"},
        {"huge texture", with([](auto& f) { f.rowPitch = f.rowCount = 0xFFFFFFFFu, f.overrideData = true, f.dataBytes = 1000; }),
         "End of file"},
        // The default character is checked before the texture is read; only its low 16 bits count.
        {"default not in font", with([](auto& f) { f.defaultCharacter = 'Z'; }), "Character not in font"},
        {"default not in font, cut texture",
         Cut(with([](auto& f) { f.defaultCharacter = 'Z'; }), bytes.size() - 1), "Character not in font"},
        {"default in the low 16 bits", with([](auto& f) { f.defaultCharacter = 0x10000u + 'A'; }), ""},
        // Sheets a device would read past.
        {"pitch narrower than the width", with([](auto& f) { f.rowPitch = 63 * 4; }), invalidArg},
        {"fewer rows than the height", with([](auto& f) { f.rowCount = 31; }), invalidArg},
        {"no width", with([](auto& f) { f.width = 0; }), invalidArg},
        {"too wide", with([](auto& f) { f.width = 20000, f.rowPitch = 20000 * 4, f.rowCount = f.height = 1; }), invalidArg},
        {"unknown format", with([](auto& f) { f.format = 9999; }), invalidArg},
        // BC2 counts rows of 4x4 blocks: 64x32 is 16 blocks of 16 bytes across and 8 block rows.
        {"BC2", with([](auto& f) { f.format = uint32_t(DxgiFormat::BC2_UNORM), f.rowPitch = 256, f.rowCount = 8; }), ""},
        {"BC2 short a row", with([](auto& f) { f.format = uint32_t(DxgiFormat::BC2_UNORM), f.rowPitch = 256, f.rowCount = 7; }),
         invalidArg},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(c.file), c.error) << c.what;

    // A device that cannot make the texture.
    struct RefusingDevice : CNullSpriteBackend {
        std::shared_ptr<ISpriteTexture> CreateTexture(DxgiFormat, uint32_t, uint32_t, uint32_t,
                                                      std::span<const uint8_t>) override
        {
            throw com_exception(static_cast<int32_t>(0x887A0005u));
        }
    } refusing;
    EXPECT_EQ(LoadError(bytes, &refusing), "Failure with HRESULT of 887A0005");
}

TEST(SpriteFont, ReaderChecksEveryReadAgainstTheData)
{
    const uint8_t data[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    BinaryReader reader(data, sizeof(data));
    EXPECT_EQ(reader.ReadU32(), 1u);
    // A count whose size wraps is an overflow, not a read past the end.
    EXPECT_THROW(reader.ReadArray(SIZE_MAX / 2, 4), std::overflow_error);
    try {
        reader.ReadArray(SIZE_MAX, 1); // fits size_t, but wraps the position
        FAIL();
    } catch (const std::overflow_error& e) {
        EXPECT_STREQ(e.what(), "ReadArray");
    }
    EXPECT_EQ(reader.Position(), 4u);
    try {
        reader.ReadArray(5, 1);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "End of file");
    }
    EXPECT_EQ(reader.ReadU32(), 2u);
}

TEST(SpriteFont, ReadsFilesByWindowsPathsAndRefusesWhatIsNotAFile)
{
    TempDir temp;
    const auto& dir = temp.Path();
    const auto font = LayoutFontBytes().Build();
    temp.Write("Data/Fonts/Title.spritefont", std::string(font.begin(), font.end()));
    CNullSpriteBackend backend;
    EXPECT_EQ(SpriteFont(backend, dir.string() + "\\data\\FONTS\\title.SPRITEFONT").GetGlyphs().size(), 6u);

    const auto error = [&](const std::string& path) {
        try {
            SpriteFont f(backend, path);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(error((dir / "missing.spritefont").string()), "BinaryReader");
    EXPECT_EQ(error(dir.string()), "BinaryReader"); // a directory
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(error((dir / "pipe").string()), "BinaryReader"); // must not block
    temp.Write("empty", "");
    EXPECT_EQ(error((dir / "empty").string()), "End of file");
}

TEST(SpriteFont, GlyphLookupWithAndWithoutDefault)
{
    CNullSpriteBackend backend;
    const auto plain = LayoutFontBytes().Build();
    SpriteFont font(backend, plain.data(), plain.size());
    EXPECT_EQ(font.FindGlyph(u'A')->Character, u'A');
    EXPECT_EQ(font.FindGlyph(0xA0)->Character, 0xA0u);
    EXPECT_TRUE(font.ContainsCharacter(u'x'));
    EXPECT_FALSE(font.ContainsCharacter(u'C'));
    EXPECT_EQ(font.GetDefaultGlyph(), nullptr);
    // Missing below, between and above the table's characters.
    for (char16_t missing : {u'\t', u'C', u'\u00e9'}) {
        try {
            font.FindGlyph(missing);
            FAIL() << int(missing);
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Character not in font");
        }
    }

    SpriteFontBytes withDefault = LayoutFontBytes();
    withDefault.defaultCharacter = '?';
    const auto bytes = withDefault.Build();
    SpriteFont fallback(backend, bytes.data(), bytes.size());
    EXPECT_EQ(fallback.FindGlyph(u'\u00e9')->Character, u'?');
    EXPECT_EQ(fallback.FindGlyph(u'C')->Character, u'?');
    EXPECT_EQ(fallback.FindGlyph(u'B')->Character, u'B');
    EXPECT_EQ(fallback.MeasureText(u"\u00e9").x, 6.0f); // drawn as '?'
}

TEST(SpriteFont, DamagedFilesAreRefusedOrReadNeverMisread)
{
    // Every header byte damaged and every length cut: each file either loads and
    // lays out text, or raises a std::exception. (Run under the sanitizers.)
    SpriteFontBytes f = LayoutFontBytes();
    f.defaultCharacter = '?';
    const auto good = f.Build();
    CNullSpriteBackend backend;
    const auto tryFile = [&](const std::vector<uint8_t>& bytes) {
        try {
            SpriteFont font(backend, bytes.data(), bytes.size());
            SpriteBatch batch(backend);
            batch.Begin();
            font.RenderText(batch, u"AB ?\n\u00a0x\u00e9", {3, 4});
            batch.End();
            (void)font.MeasureText(u"AB ?\n\u00a0x\u00e9");
        } catch (const std::exception&) {
        }
    };
    for (size_t i = 0; i < f.TextureDataOffset(); ++i)
        for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            auto bytes = good;
            bytes[i] = value;
            tryFile(bytes);
        }
    for (size_t size = 0; size < good.size(); size += 7)
        tryFile(Cut(good, size));
}
