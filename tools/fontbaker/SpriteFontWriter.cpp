// Sprite font serialisation.
#include "SpriteFontWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
constexpr uint32_t kFormatR8G8B8A8Unorm = 28; // DXGI_FORMAT_R8G8B8A8_UNORM

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutFloat(std::vector<uint8_t>& out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof(bits));
    PutU32(out, bits);
}
} // namespace

std::vector<uint8_t> SerializeSpriteFont(const BakedFont& font)
{
    std::vector<BakedGlyph> glyphs = font.glyphs;
    std::sort(glyphs.begin(), glyphs.end(),
              [](const BakedGlyph& a, const BakedGlyph& b) { return a.character < b.character; });

    std::vector<uint8_t> out;
    out.reserve(64 + glyphs.size() * 32 + font.sheet.size());
    for (char c : {'D', 'X', 'T', 'K', 'f', 'o', 'n', 't'})
        out.push_back(static_cast<uint8_t>(c));
    PutU32(out, static_cast<uint32_t>(glyphs.size()));
    for (const BakedGlyph& g : glyphs) {
        PutU32(out, g.character);
        PutU32(out, static_cast<uint32_t>(g.left));
        PutU32(out, static_cast<uint32_t>(g.top));
        PutU32(out, static_cast<uint32_t>(g.right));
        PutU32(out, static_cast<uint32_t>(g.bottom));
        PutFloat(out, g.xOffset);
        PutFloat(out, g.yOffset);
        PutFloat(out, g.xAdvance);
    }
    PutFloat(out, font.lineSpacing);
    PutU32(out, font.defaultCharacter);
    PutU32(out, font.sheetWidth);
    PutU32(out, font.sheetHeight);
    PutU32(out, kFormatR8G8B8A8Unorm);
    PutU32(out, font.sheetWidth * 4);
    PutU32(out, font.sheetHeight);
    out.insert(out.end(), font.sheet.begin(), font.sheet.end());
    return out;
}

bool WriteSpriteFont(const BakedFont& font, const std::string& path)
{
    const std::vector<uint8_t> bytes = SerializeSpriteFont(font);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}
