// Sprite font files: the format, every way a file can be refused, glyph lookup.
#include "unit/SpriteFontBytes.h"

#include "assets/sprite/BinaryReader.h"
#include "assets/sprite/ComException.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteBatch.h"
#include "assets/sprite/SpriteFont.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

std::filesystem::path TempDir(const std::string& name)
{
    auto dir = std::filesystem::path(testing::TempDir()) / ("ml_spritefont_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
    EXPECT_EQ(b.Character, u'B');
    EXPECT_EQ(b.Subrect.left, 10);
    EXPECT_EQ(b.Subrect.top, 0);
    EXPECT_EQ(b.Subrect.right, 18);
    EXPECT_EQ(b.Subrect.bottom, 20);
    EXPECT_EQ(b.XOffset, -3.0f);
    EXPECT_EQ(b.YOffset, 0.0f);
    EXPECT_EQ(b.XAdvance, 2.0f);
    EXPECT_EQ(font.GetLineSpacing(), 24.0f);
    ASSERT_NE(font.GetDefaultGlyph(), nullptr);
    EXPECT_EQ(font.GetDefaultGlyph()->Character, u'?');

    auto* sheet = dynamic_cast<CNullSpriteTexture*>(font.GetSheet().get());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format, DxgiFormat::R8G8B8A8_UNORM);
    EXPECT_EQ(sheet->width, 64u);
    EXPECT_EQ(sheet->height, 32u);
    EXPECT_EQ(sheet->rowPitch, 256u);
    ASSERT_EQ(sheet->bytes.size(), 256u * 32);
    const size_t data = f.TextureDataOffset();
    EXPECT_TRUE(std::equal(sheet->bytes.begin(), sheet->bytes.end(), bytes.begin() + long(data)));
}

TEST(SpriteFont, RefusesFilesThatAreNotSpriteFonts)
{
    auto bytes = LayoutFontBytes().Build();
    bytes[7] = 'T'; // "DXTKfonT": wrong in the last magic byte only
    EXPECT_EQ(LoadError(bytes), "Not a MakeSpriteFont output binary");
    bytes[7] = 't';
    bytes[0] = 'd';
    EXPECT_EQ(LoadError(bytes), "Not a MakeSpriteFont output binary");
    // Shorter than the magic: the bytes there match, so the data ends first.
    EXPECT_EQ(LoadError({}), "End of file");
    EXPECT_EQ(LoadError({'D', 'X', 'T', 'K'}), "End of file");
    EXPECT_EQ(LoadError({'D', 'X', 'Q'}), "Not a MakeSpriteFont output binary");
}

TEST(SpriteFont, RefusesCutFilesWithEndOfFile)
{
    const SpriteFontBytes f = LayoutFontBytes();
    const auto bytes = f.Build();
    EXPECT_EQ(LoadError(Cut(bytes, 10)), "End of file");                               // in the glyph count
    EXPECT_EQ(LoadError(Cut(bytes, f.GlyphTableOffset() + 32 + 5)), "End of file");    // inside the glyph table
    EXPECT_EQ(LoadError(Cut(bytes, f.LineSpacingOffset() + 2)), "End of file");        // in the line spacing
    EXPECT_EQ(LoadError(Cut(bytes, f.LineSpacingOffset() + 20)), "End of file");       // in the texture header
    EXPECT_EQ(LoadError(Cut(bytes, bytes.size() - 1)), "End of file");                 // inside the texture data
    EXPECT_EQ(LoadError(Cut(bytes, f.TextureDataOffset())), "End of file");            // no texture data at all

    // A glyph count far beyond the file is refused before anything is allocated.
    SpriteFontBytes huge = f;
    huge.overrideCount = true;
    huge.count = 0xFFFFFFFFu;
    EXPECT_EQ(LoadError(huge.Build()), "End of file");
    // So is a texture size far beyond the file (pitch x rows is not 32-bit arithmetic).
    SpriteFontBytes big = f;
    big.rowPitch = 0x10000;
    big.rowCount = 0x10000;
    big.overrideData = true;
    big.dataBytes = 1000;
    EXPECT_EQ(LoadError(big.Build()), "End of file");
    big.rowPitch = 0xFFFFFFFFu;
    big.rowCount = 0xFFFFFFFFu;
    EXPECT_EQ(LoadError(big.Build()), "End of file");
}

TEST(SpriteFont, DefaultCharacterMustBeInTheFont)
{
    SpriteFontBytes f = LayoutFontBytes();
    f.defaultCharacter = 'Z';
    EXPECT_EQ(LoadError(f.Build()), "Character not in font");
    // Checked before the texture is read: a cut texture does not hide it.
    const auto bytes = f.Build();
    EXPECT_EQ(LoadError(Cut(bytes, bytes.size() - 1)), "Character not in font");
    // Only the low 16 bits name the character.
    f.defaultCharacter = 0x10000u + 'A';
    EXPECT_EQ(LoadError(f.Build()), "");
}

TEST(SpriteFont, RefusesSheetsADeviceWouldReadPast)
{
    const std::string invalidArg = "Failure with HRESULT of 80070057";
    SpriteFontBytes f = LayoutFontBytes();
    f.rowPitch = 63 * 4; // narrower than 64 RGBA texels
    EXPECT_EQ(LoadError(f.Build()), invalidArg);
    f = LayoutFontBytes();
    f.rowCount = 31; // fewer rows than the height
    EXPECT_EQ(LoadError(f.Build()), invalidArg);
    f = LayoutFontBytes();
    f.width = 0;
    EXPECT_EQ(LoadError(f.Build()), invalidArg);
    f = LayoutFontBytes();
    f.width = 20000;
    f.rowPitch = 20000 * 4;
    f.rowCount = 1;
    f.height = 1;
    EXPECT_EQ(LoadError(f.Build()), invalidArg);
    f = LayoutFontBytes();
    f.format = 9999;
    EXPECT_EQ(LoadError(f.Build()), invalidArg);

    // Block-compressed sheets count rows of 4x4 blocks: 64x32 BC2 is 16 blocks
    // of 16 bytes across and 8 block rows.
    f = LayoutFontBytes();
    f.format = static_cast<uint32_t>(DxgiFormat::BC2_UNORM);
    f.rowPitch = 256;
    f.rowCount = 8;
    EXPECT_EQ(LoadError(f.Build()), "");
    f.rowCount = 7;
    EXPECT_EQ(LoadError(f.Build()), invalidArg);

    // A device that cannot make the texture.
    struct RefusingDevice : CNullSpriteBackend {
        std::shared_ptr<ISpriteTexture> CreateTexture(DxgiFormat, uint32_t, uint32_t, uint32_t,
                                                      std::span<const uint8_t>) override
        {
            throw com_exception(static_cast<int32_t>(0x887A0005u));
        }
    } refusing;
    EXPECT_EQ(LoadError(LayoutFontBytes().Build(), &refusing), "Failure with HRESULT of 887A0005");
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
    const auto dir = TempDir("files");
    std::filesystem::create_directories(dir / "Data" / "Fonts");
    WriteFile(dir / "Data" / "Fonts" / "Title.spritefont", LayoutFontBytes().Build());
    CNullSpriteBackend backend;
    SpriteFont font(backend, dir.string() + "\\data\\FONTS\\title.SPRITEFONT");
    EXPECT_EQ(font.GetGlyphs().size(), 6u);

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
    WriteFile(dir / "empty", {});
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
