// Sprite font file parsing, glyph lookup and the text layout walk.
#include "assets/sprite/SpriteFont.h"

#include "app/Diagnostics.h"
#include "assets/sprite/BinaryReader.h"
#include "assets/sprite/ComException.h"
#include "assets/sprite/SpriteBatch.h"

#include <algorithm>
#include <stdexcept>

namespace DirectX {
namespace {
constexpr char kMagic[8] = {'D', 'X', 'T', 'K', 'f', 'o', 'n', 't'};
constexpr size_t kGlyphRecordSize = 32;
constexpr uint32_t kMaxSheetDimension = 16384; // the largest 2D texture a device must support

// Texel widths from a file may be anything; keep the subtraction out of int32.
float Extent(int32_t low, int32_t high) { return static_cast<float>(static_cast<int64_t>(high) - low); }
} // namespace

SpriteFont::SpriteFont(ISpriteDevice& device, const std::string& fileName)
{
    BinaryReader reader(fileName);
    Parse(device, reader);
}

SpriteFont::SpriteFont(ISpriteDevice& device, const uint8_t* data, size_t size)
{
    BinaryReader reader(data, size);
    Parse(device, reader);
}

void SpriteFont::Parse(ISpriteDevice& device, BinaryReader& reader)
{
    for (char expected : kMagic)
        if (reader.ReadU8() != static_cast<uint8_t>(expected))
            throw std::runtime_error("Not a MakeSpriteFont output binary");

    // The whole table is checked against the data before anything is allocated.
    const uint32_t glyphCount = reader.ReadU32();
    const uint8_t* records = reader.ReadArray(glyphCount, kGlyphRecordSize);
    m_Glyphs.resize(glyphCount);
    for (uint32_t i = 0; i < glyphCount; ++i) {
        const uint8_t* r = records + size_t(i) * kGlyphRecordSize;
        Glyph& g = m_Glyphs[i];
        g.Character = BinaryReader::DecodeU32(r);
        g.Subrect.left = static_cast<int32_t>(BinaryReader::DecodeU32(r + 4));
        g.Subrect.top = static_cast<int32_t>(BinaryReader::DecodeU32(r + 8));
        g.Subrect.right = static_cast<int32_t>(BinaryReader::DecodeU32(r + 12));
        g.Subrect.bottom = static_cast<int32_t>(BinaryReader::DecodeU32(r + 16));
        g.XOffset = BinaryReader::DecodeFloat(r + 20);
        g.YOffset = BinaryReader::DecodeFloat(r + 24);
        g.XAdvance = BinaryReader::DecodeFloat(r + 28);
    }

    m_fLineSpacing = reader.ReadFloat();
    const uint32_t defaultCharacter = reader.ReadU32();
    if (defaultCharacter != 0) {
        // Only the low 16 bits name a character: lookups are by UTF-16 code unit.
        const char16_t c = static_cast<char16_t>(defaultCharacter & 0xFFFFu);
        const Glyph* glyph = LowerBound(c);
        if (!glyph || glyph->Character != c)
            throw std::runtime_error("Character not in font");
        m_pDefaultGlyph = glyph;
    }

    const uint32_t width = reader.ReadU32();
    const uint32_t height = reader.ReadU32();
    const uint32_t format = reader.ReadU32();
    const uint32_t rowPitch = reader.ReadU32();
    const uint32_t rowCount = reader.ReadU32();
    const uint8_t* texels = reader.ReadArray(rowCount, rowPitch);

    // A device trusts the size, format and pitch it is given and would read past
    // the data of a file that lies about them; refuse such a sheet as a device would.
    const DxgiFormatInfo* layout = FindDxgiFormat(format);
    if (!layout || layout->bytesPerBlock == 0) {
        diag::Report("sheet format " + DescribeDxgiFormat(format) + " cannot be a sheet texture");
        throw com_exception(kResultInvalidArg);
    }
    if (width == 0 || height == 0 || width > kMaxSheetDimension || height > kMaxSheetDimension)
        throw com_exception(kResultInvalidArg);
    const uint64_t rowsNeeded = layout->BlockRows(height);
    if (uint64_t(rowPitch) < layout->RowBytes(width) || rowCount < rowsNeeded)
        throw com_exception(kResultInvalidArg);
    m_pSheet = device.CreateTexture(static_cast<DxgiFormat>(format), width, height, rowPitch,
                                    std::span<const uint8_t>(texels, size_t(rowsNeeded) * rowPitch));
    if (!m_pSheet)
        throw com_exception(kResultFail);
}

const SpriteFont::Glyph* SpriteFont::LowerBound(char16_t c) const
{
    const auto it = std::lower_bound(m_Glyphs.begin(), m_Glyphs.end(), c,
                                     [](const Glyph& g, char16_t value) { return g.Character < value; });
    return it == m_Glyphs.end() ? nullptr : &*it;
}

const SpriteFont::Glyph* SpriteFont::FindGlyph(char16_t character) const
{
    const Glyph* glyph = LowerBound(character);
    if (glyph && glyph->Character == character)
        return glyph;
    if (m_pDefaultGlyph)
        return m_pDefaultGlyph;
    throw std::runtime_error("Character not in font");
}

bool SpriteFont::ContainsCharacter(char16_t character) const
{
    const Glyph* glyph = LowerBound(character);
    return glyph && glyph->Character == character;
}

bool SpriteFont::IsWhiteSpace(char16_t c)
{
    // Unicode's White_Space set within the Basic Multilingual Plane: the same
    // answer whatever locale the process runs in.
    if (c <= 0x20)
        return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    switch (c) {
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

// One pen walk shared by measuring and rendering, so both always agree.
// visit(glyph, x, y) is called for each visible glyph at its pen position.
template <typename Visit>
void SpriteFont::Walk(const char16_t* text, Visit visit) const
{
    float x = 0.0f;
    float y = 0.0f;
    for (; *text; ++text) {
        const char16_t c = *text;
        if (c == u'\r')
            continue;
        if (c == u'\n') {
            x = 0.0f;
            y += m_fLineSpacing;
            continue;
        }
        const Glyph& glyph = *FindGlyph(c);
        x += glyph.XOffset;
        if (x < 0.0f)
            x = 0.0f;
        const float width = Extent(glyph.Subrect.left, glyph.Subrect.right);
        const float advance = width + glyph.XAdvance;
        if (!IsWhiteSpace(c) || width > 1.0f || Extent(glyph.Subrect.top, glyph.Subrect.bottom) > 1.0f)
            visit(glyph, x, y);
        x += advance;
    }
}

Vector2 SpriteFont::MeasureText(const char16_t* text) const
{
    Vector2 size;
    Walk(text, [&](const Glyph& glyph, float x, float y) {
        const float w = Extent(glyph.Subrect.left, glyph.Subrect.right);
        const float h = std::max(Extent(glyph.Subrect.top, glyph.Subrect.bottom) + glyph.YOffset, m_fLineSpacing);
        size.x = std::max(size.x, x + w);
        size.y = std::max(size.y, y + h);
    });
    return size;
}

void SpriteFont::RenderText(SpriteBatch& batch, const char16_t* text, Vector2 position, Colour colour, float rotation,
                            Vector2 origin, float scale, SpriteEffects effects, float layerDepth) const
{
    // The glyph's pen offset becomes part of the sprite's origin, so rotation and
    // scale act on the text as a whole about the caller's origin.
    const float directionX = (effects & SpriteEffects_FlipHorizontally) ? 1.0f : -1.0f;
    const float directionY = (effects & SpriteEffects_FlipVertically) ? 1.0f : -1.0f;
    Walk(text, [&](const Glyph& glyph, float x, float y) {
        const Vector2 glyphOrigin{x * directionX + origin.x, (y + glyph.YOffset) * directionY + origin.y};
        batch.Draw(m_pSheet, position, &glyph.Subrect, colour, rotation, glyphOrigin, scale, effects, layerDepth);
    });
}

} // namespace DirectX
