// CFontResource: the platform-neutral face of a sprite font resource.
#pragma once
#include "render/Math.h"
#include "scene/Resource.h"

class CFontResource : public CResource {
public:
    explicit CFontResource(std::string name) : CResource(RESOURCE_FONT, std::move(name)) {}

    virtual void Update(float /*dt*/) {}
    virtual void DrawText(std::string /*text*/) {}
    // Draws the text centred on the screen point given by the world matrix's translation.
    virtual void DrawTextAt(std::string /*text*/, const Matrix4& /*world*/) {}
    // Why the text could not be drawn with this font (bad UTF-8, a character the font
    // lacks with no default); empty when it can.
    virtual std::string CheckText(const std::string& /*text*/) const { return {}; }
};
