// FreeType rasterising and sheet assembly.
#include "GlyphRasterizer.h"

#include "ShelfPacker.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {
constexpr uint32_t kMaxSheetDimension = 16384;

std::string Hex(char16_t c)
{
    char text[16];
    std::snprintf(text, sizeof(text), "U+%04X", static_cast<unsigned>(c));
    return text;
}

// FreeType's own error texts; its FT_Error_String is empty unless the library
// was built with them.
const char* ErrorText(FT_Error error)
{
    struct Entry {
        int code;
        const char* text;
    };
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {e, s},
#define FT_ERROR_START_LIST static const Entry kErrors[] = {
#define FT_ERROR_END_LIST {0, nullptr}};
#include FT_ERRORS_H
    for (const Entry* entry = kErrors; entry->text; ++entry)
        if (entry->code == error)
            return entry->text;
    return "unknown FreeType error";
}

[[noreturn]] void Fail(const std::string& what, FT_Error error)
{
    throw std::runtime_error(what + " (" + ErrorText(error) + ")");
}

struct Library {
    FT_Library handle = nullptr;
    ~Library()
    {
        if (handle)
            FT_Done_FreeType(handle);
    }
};

struct Face {
    FT_Face handle = nullptr;
    ~Face()
    {
        if (handle)
            FT_Done_Face(handle);
    }
};

// One rendered glyph: coverage rows and its metrics in pixels.
struct Rendered {
    char16_t character;
    uint32_t width, height;
    std::vector<uint8_t> coverage; // width * height, 0..255
    float bearingX, bearingY, advance;
    uint32_t x = 0, y = 0;         // place on the sheet
};

std::vector<uint8_t> Coverage(const FT_Bitmap& bitmap)
{
    std::vector<uint8_t> out(size_t(bitmap.width) * bitmap.rows);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        // A negative pitch means the rows are stored bottom-up.
        const unsigned char* src = bitmap.pitch >= 0 ? bitmap.buffer + ptrdiff_t(row) * bitmap.pitch
                                                     : bitmap.buffer + ptrdiff_t(bitmap.rows - 1 - row) * -bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            uint8_t value;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                value = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
            else
                value = bitmap.num_grays == 256 ? src[col]
                                                : static_cast<uint8_t>(src[col] * 255 / std::max(1, bitmap.num_grays - 1));
            out[size_t(row) * bitmap.width + col] = value;
        }
    }
    return out;
}

uint32_t NextPowerOfTwo(uint64_t v)
{
    uint64_t p = 1;
    while (p < v)
        p <<= 1;
    return static_cast<uint32_t>(std::min<uint64_t>(p, 1ull << 31));
}
} // namespace

BakeResult BakeGlyphs(const BakeOptions& options)
{
    Library library;
    if (FT_Error e = FT_Init_FreeType(&library.handle))
        Fail("cannot start FreeType", e);
    Face face;
    if (FT_Error e = FT_New_Face(library.handle, options.fontPath.c_str(), options.faceIndex, &face.handle))
        Fail("cannot read font \"" + options.fontPath + "\"", e);
    if (FT_Error e = FT_Set_Pixel_Sizes(face.handle, 0, options.pixelSize))
        Fail("the font has no size of " + std::to_string(options.pixelSize) + " pixels", e);

    const FT_Size_Metrics& metrics = face.handle->size->metrics;
    const float ascender = static_cast<float>(metrics.ascender) / 64.0f;

    BakeResult result;
    std::vector<Rendered> glyphs;
    for (char16_t c : options.characters) {
        const FT_UInt index = FT_Get_Char_Index(face.handle, c);
        if (index == 0) {
            if (c == options.defaultCharacter)
                throw std::runtime_error("the font has no glyph for the default character " + Hex(c));
            result.missing.push_back(c);
            continue;
        }
        if (FT_Error e = FT_Load_Glyph(face.handle, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL))
            Fail("cannot render " + Hex(c), e);
        const FT_GlyphSlot slot = face.handle->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.width > 0 && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
            throw std::runtime_error("unsupported bitmap kind for " + Hex(c));
        Rendered r;
        r.character = c;
        r.width = bitmap.width;
        r.height = bitmap.rows;
        r.coverage = Coverage(bitmap);
        r.bearingX = static_cast<float>(slot->bitmap_left);
        r.bearingY = static_cast<float>(slot->bitmap_top);
        r.advance = static_cast<float>(slot->advance.x) / 64.0f;
        glyphs.push_back(std::move(r));
    }
    if (options.defaultCharacter != 0 && !options.characters.count(options.defaultCharacter))
        throw std::runtime_error("the default character " + Hex(options.defaultCharacter) + " is not among the characters");

    // Tallest first suits the shelves; the sheet is a power of two wide, about square.
    std::vector<Rendered*> order;
    uint64_t area = 0;
    uint32_t widest = 1;
    for (Rendered& r : glyphs) {
        order.push_back(&r);
        area += uint64_t(r.width + options.padding) * (r.height + options.padding);
        widest = std::max(widest, r.width);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Rendered* a, const Rendered* b) { return a->height > b->height; });
    uint32_t sheetWidth = NextPowerOfTwo(std::max<uint64_t>({64, uint64_t(std::ceil(std::sqrt(double(area)))),
                                                             uint64_t(widest) + 2 * options.padding}));
    uint32_t sheetHeight = 0;
    for (;;) {
        if (sheetWidth > kMaxSheetDimension)
            throw std::runtime_error("the glyphs do not fit a sheet of " + std::to_string(kMaxSheetDimension) +
                                     " texels; use a smaller size or fewer characters");
        ShelfPacker packer(sheetWidth, options.padding);
        bool placed = true;
        for (Rendered* r : order)
            placed = placed && (r->width == 0 || packer.Place(r->width, r->height, r->x, r->y));
        sheetHeight = packer.Height();
        if (placed && sheetHeight <= kMaxSheetDimension)
            break;
        sheetWidth *= 2;
    }

    BakedFont& font = result.font;
    font.lineSpacing = static_cast<float>(metrics.height) / 64.0f;
    font.defaultCharacter = options.defaultCharacter;
    font.sheetWidth = sheetWidth;
    font.sheetHeight = std::max<uint32_t>(sheetHeight, 1);
    font.sheet.assign(size_t(font.sheetWidth) * font.sheetHeight * 4, 0);
    for (const Rendered& r : glyphs) {
        // Premultiplied white: every channel carries the coverage.
        for (uint32_t row = 0; row < r.height; ++row)
            for (uint32_t col = 0; col < r.width; ++col) {
                const uint8_t a = r.coverage[size_t(row) * r.width + col];
                uint8_t* texel = &font.sheet[(size_t(r.y + row) * font.sheetWidth + r.x + col) * 4];
                texel[0] = texel[1] = texel[2] = texel[3] = a;
            }
        // The layout adds XOffset before placing and Subrect width + XAdvance after,
        // so the pen moves by exactly the font's advance; YOffset puts the
        // baseline one ascender below the line's top.
        BakedGlyph g;
        g.character = r.character;
        g.left = static_cast<int32_t>(r.x);
        g.top = static_cast<int32_t>(r.y);
        g.right = static_cast<int32_t>(r.x + r.width);
        g.bottom = static_cast<int32_t>(r.y + (r.width == 0 ? 0 : r.height));
        g.xOffset = r.bearingX;
        g.yOffset = ascender - r.bearingY;
        g.xAdvance = r.advance - r.bearingX - static_cast<float>(r.width);
        font.glyphs.push_back(g);
    }
    return result;
}
