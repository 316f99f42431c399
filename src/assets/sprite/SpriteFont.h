// SpriteFont: a sprite font file ("DXTKfont": a glyph table plus a pre-rendered
// glyph sheet) read, checked and turned into a sheet texture, with glyph lookup
// and the text layout walk (measure and render). It does not own a batch and
// does not know the UTF-8 text of scripts: it walks UTF-16 code units.
#pragma once
#include "assets/sprite/SpriteBackend.h"
#include "assets/sprite/SpriteTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace DirectX {

class SpriteBatch;

class SpriteFont {
public:
    // One record of the glyph table, as stored in the file (32 bytes there).
    struct Glyph {
        uint32_t Character = 0; // compared against UTF-16 code units
        Rect Subrect;           // where the glyph lies on the sheet
        float XOffset = 0.0f;   // added to the pen x before the glyph is placed
        float YOffset = 0.0f;   // added to the pen y where the glyph is placed
        float XAdvance = 0.0f;  // added to the Subrect width to advance the pen
    };

    // Reads the file and creates the sheet on the device. Raises "BinaryReader",
    // "End of file", std::overflow_error "ReadArray", "Not a MakeSpriteFont output
    // binary", "Character not in font" (a default character the font lacks), and
    // com_exception when the sheet cannot be made.
    SpriteFont(ISpriteDevice& device, const std::string& fileName);
    // The same from bytes already in memory.
    SpriteFont(ISpriteDevice& device, const uint8_t* data, size_t size);

    SpriteFont(const SpriteFont&) = delete;
    SpriteFont& operator=(const SpriteFont&) = delete;

    // The glyph of a character; the default glyph when the font lacks it; else
    // raises "Character not in font".
    const Glyph* FindGlyph(char16_t character) const;
    bool ContainsCharacter(char16_t character) const;

    // The box the laid-out text covers from the pen origin, in pixels; the walk
    // ends at the first U+0000. (0, 0) when nothing visible is laid out.
    Vector2 MeasureText(const char16_t* text) const;
    Vector2 MeasureText(const std::u16string& text) const { return MeasureText(text.c_str()); }

    // Queues one sprite per visible glyph on a begun batch.
    void RenderText(SpriteBatch& batch, const char16_t* text, Vector2 position, Colour colour = {},
                    float rotation = 0.0f, Vector2 origin = {}, float scale = 1.0f,
                    SpriteEffects effects = SpriteEffects_None, float layerDepth = 0.0f) const;

    const std::vector<Glyph>& GetGlyphs() const { return m_Glyphs; }
    const Glyph* GetDefaultGlyph() const { return m_pDefaultGlyph; }
    float GetLineSpacing() const { return m_fLineSpacing; }
    const std::shared_ptr<ISpriteTexture>& GetSheet() const { return m_pSheet; }

    // White space by the classification the layout uses for invisible glyphs.
    static bool IsWhiteSpace(char16_t character);

private:
    void Parse(ISpriteDevice& device, class BinaryReader& reader);
    // The first record whose Character is not less than c (binary search), or null.
    const Glyph* LowerBound(char16_t c) const;
    template <typename Visit> void Walk(const char16_t* text, Visit visit) const;

    std::vector<Glyph> m_Glyphs;
    const Glyph* m_pDefaultGlyph = nullptr;
    float m_fLineSpacing = 0.0f;
    std::shared_ptr<ISpriteTexture> m_pSheet;
};

} // namespace DirectX
