// Renders the glyphs of a character set with FreeType at one pixel size and
// packs them into a premultiplied white RGBA8 sheet, giving the glyph metrics
// in the sprite font's terms (pen offsets and advances). Writes no file.
#pragma once
#include "SpriteFontWriter.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

struct BakeOptions {
    std::string fontPath;
    long faceIndex = 0;
    uint32_t pixelSize = 32;
    uint32_t padding = 1;
    std::set<char16_t> characters;
    char16_t defaultCharacter = 0; // 0: none; must then be among the characters
};

struct BakeResult {
    BakedFont font;
    std::vector<char16_t> missing; // characters the font has no glyph for, left out
};

// Raises std::runtime_error with a message for the user when the font cannot be
// read, has no glyph for the default character, or the sheet would be too large.
BakeResult BakeGlyphs(const BakeOptions& options);
