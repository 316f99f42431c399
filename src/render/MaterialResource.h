// CMaterialResource: the platform-neutral half of a material: its named texture
// slots, its ambient colour (fixed or from a variable) and publishing that colour
// as "AmbientColour". Shaders, reflection and constant buffers belong to the back end.
#pragma once
#include "scene/Resource.h"

#include <array>
#include <cstdint>
#include <vector>

class CTextureResource;
class CVariableResource;

struct TextureSlot {
    std::string name; // lowercased
    uint32_t bindPoint = 0;
    CTextureResource* texture = nullptr;
};

class CMaterialResource : public CResource {
public:
    explicit CMaterialResource(std::string name) : CResource(RESOURCE_MATERIAL, std::move(name)) {}

    virtual void Apply() {}
    // Advances the colour source, then points "AmbientColour" at this material's colour.
    virtual void Update(float dt);

    // First slot of that exact name gets the texture; no slot, no effect.
    void SetTexture(const std::string& slotName, CTextureResource* texture);
    void AddTextureSlot(const std::string& slotName, uint32_t bindPoint);

    void SetColour(float r, float g, float b, float a);
    void SetColourSource(CVariableResource* variable) { m_pColourSource = variable; }

    const std::vector<TextureSlot>& GetTextureSlots() const { return m_Slots; }
    CVariableResource* GetColourSource() const { return m_pColourSource; }
    const std::array<float, 4>& GetAmbientColour() const { return m_AmbientColour; }

private:
    std::vector<TextureSlot> m_Slots;
    CVariableResource* m_pColourSource = nullptr;
    std::array<float, 4> m_AmbientColour = {1.0f, 1.0f, 1.0f, 1.0f};
};
