// Writes a sprite font file ("DXTKfont", little-endian): glyph table sorted by
// character, line spacing, default character, then one RGBA8 sheet. Knows the
// file layout only, not how glyphs are made.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct BakedGlyph {
    uint32_t character;
    int32_t left, top, right, bottom; // on the sheet; right and bottom exclusive
    float xOffset, yOffset, xAdvance;
};

struct BakedFont {
    std::vector<BakedGlyph> glyphs; // written in ascending character order
    float lineSpacing = 0.0f;
    uint32_t defaultCharacter = 0; // 0: none
    uint32_t sheetWidth = 0;
    uint32_t sheetHeight = 0;
    std::vector<uint8_t> sheet; // R8G8B8A8_UNORM rows, sheetWidth * 4 bytes each
};

// The whole file as bytes.
std::vector<uint8_t> SerializeSpriteFont(const BakedFont& font);

// Writes the file; false (and no file left behind) when it cannot.
bool WriteSpriteFont(const BakedFont& font, const std::string& path);
