// CSpriteFontResource: the device-independent part of a font resource drawn
// with a sprite font and a sprite batch: loading (with the failure caught and
// reported, so the factory leaves the font unregistered) and DrawTextAt's
// convert, measure, centre, batch and restore steps. A back end derives from it,
// hands it its sprite context and restores its own pipeline states.
#pragma once
#include "assets/sprite/SpriteBatch.h"
#include "assets/sprite/SpriteFont.h"
#include "render/FontResource.h"

#include <exception>
#include <memory>

class CSpriteFontResource : public CFontResource {
public:
    CSpriteFontResource(std::string name, DirectX::ISpriteContext* context);
    ~CSpriteFontResource() override;

    // Reads the sprite font file and makes this font's batch. Any failure (bad
    // UTF-8 in the path, a missing or malformed file, the device) is reported
    // and gives false, and the font stays empty.
    bool Load(const std::string& path);
    // Loads the file again; the texts drawn with this font use the new one.
    bool Reload() override;

    // Draws the text centred on the output point that world's x and y translation
    // give, read from -1 to 1 across the width and height. Glyph sizes are pixels of
    // the height the production was authored for, so at any other output size the
    // text scales with the picture. Raises what the UTF-8
    // conversion, the font and the batch raise (the caller decides what to skip);
    // the renderer's states are restored either way once the batch has begun.
    void DrawTextAt(std::string text, const Matrix4& world) override;
    // Converts and measures the text as a draw would, catching what that raises.
    std::string CheckText(const std::string& text) const override;

    const DirectX::SpriteFont* GetSpriteFont() const { return m_pSpriteFont.get(); }

    // The reason a load failed, in words for the author (what the font path raises
    // names classes and result codes).
    static std::string FailureInWords(const std::exception& e, const std::string& path);

    // Top-left pen position of a text measuring size, centred on world's point of
    // a width x height output (y grows downwards: -1 is the top edge).
    static DirectX::Vector2 PenPosition(DirectX::Vector2 size, const Matrix4& world, float width, float height);

protected:
    // Puts back the renderer's own depth-stencil, rasterizer and blend states,
    // which the batch replaced. Nothing to do without a device.
    virtual void RestoreRendererStates() {}

private:
    DirectX::ISpriteContext* m_pContext;
    std::unique_ptr<DirectX::SpriteFont> m_pSpriteFont;
    std::unique_ptr<DirectX::SpriteBatch> m_pSpriteBatch;
};
