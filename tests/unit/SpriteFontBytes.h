// Builds sprite font files byte by byte for tests and benchmarks, so that valid
// fonts and deliberately broken ones come from one place.
#pragma once
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

struct SpriteFontBytes {
    struct Glyph {
        uint32_t character;
        int32_t left, top, right, bottom;
        float xOffset, yOffset, xAdvance;
    };

    std::string magic = "DXTKfont";
    std::vector<Glyph> glyphs;
    float lineSpacing = 24.0f;
    uint32_t defaultCharacter = 0;
    uint32_t width = 64;
    uint32_t height = 32;
    uint32_t format = 28; // R8G8B8A8_UNORM
    uint32_t rowPitch = 64 * 4;
    uint32_t rowCount = 32;
    // Set to override the glyph count field only.
    bool overrideCount = false;
    uint32_t count = 0;
    // Set to write this many texture bytes instead of pitch x rows.
    bool overrideData = false;
    size_t dataBytes = 0;
    // When not empty, the texture bytes as they stand (instead of a filler pattern).
    std::vector<uint8_t> texels;

    // Byte offsets of the parts, for cutting files at chosen places.
    size_t GlyphTableOffset() const { return 12; }
    size_t LineSpacingOffset() const { return 12 + 32 * glyphs.size(); }
    size_t TextureDataOffset() const { return LineSpacingOffset() + 28; }

    std::vector<uint8_t> Build() const
    {
        std::vector<uint8_t> out(magic.begin(), magic.end());
        PutU32(out, overrideCount ? count : static_cast<uint32_t>(glyphs.size()));
        for (const Glyph& g : glyphs) {
            PutU32(out, g.character);
            PutU32(out, static_cast<uint32_t>(g.left));
            PutU32(out, static_cast<uint32_t>(g.top));
            PutU32(out, static_cast<uint32_t>(g.right));
            PutU32(out, static_cast<uint32_t>(g.bottom));
            PutFloat(out, g.xOffset);
            PutFloat(out, g.yOffset);
            PutFloat(out, g.xAdvance);
        }
        PutFloat(out, lineSpacing);
        for (uint32_t v : {defaultCharacter, width, height, format, rowPitch, rowCount})
            PutU32(out, v);
        if (!texels.empty()) {
            out.insert(out.end(), texels.begin(), texels.end());
            return out;
        }
        const size_t data = overrideData ? dataBytes : size_t(rowPitch) * rowCount;
        for (size_t i = 0; i < data; ++i)
            out.push_back(static_cast<uint8_t>(i * 7 + 3));
        return out;
    }

    static void PutU32(std::vector<uint8_t>& out, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    static void PutFloat(std::vector<uint8_t>& out, float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        PutU32(out, bits);
    }
};

// A small font with easy numbers, used by the layout and font tests:
// 'A' 10x20, YOffset 2, advance 11; 'B' 8x20 with XOffset -3, advance 10;
// ' ' 1x1 (invisible), advance 6; U+00A0 3x1 (wider than 1: visible);
// '?' 6x20; 'x' 6x8 with YOffset 12. Line spacing 24.
inline SpriteFontBytes LayoutFontBytes()
{
    SpriteFontBytes f;
    f.glyphs = {
        {0x20, 0, 0, 1, 1, 0.0f, 0.0f, 5.0f},
        {'?', 20, 0, 26, 20, 0.0f, 1.0f, 1.0f},
        {'A', 0, 0, 10, 20, 0.0f, 2.0f, 1.0f},
        {'B', 10, 0, 18, 20, -3.0f, 0.0f, 2.0f},
        {'x', 30, 0, 36, 8, 0.0f, 12.0f, 1.0f},
        {0xA0, 40, 0, 43, 1, 0.0f, 0.0f, 0.0f},
    };
    return f;
}
