// CMaterialResource: the platform-neutral half of a material: its named texture
// slots, its ambient colour (fixed or from a variable), publishing that colour
// as "AmbientColour", and reading the material file. Compiling shaders, their
// reflection and constant buffers belong to the back end.
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

enum class MaterialStage { Vertex, Pixel };

class CMaterialResource : public CResource {
public:
    explicit CMaterialResource(std::string name) : CResource(RESOURCE_MATERIAL, std::move(name)) {}

    // Runs the material file through the material keyword table once. False when
    // the file cannot be opened or holds a keyword the table lacks; whatever the
    // lines before that made is kept.
    bool ReadMaterialFile(const std::string& path);

    // "loadvertexshader" / "loadpixelshader": the back end compiles and keeps the
    // stage; a failure leaves the previous one (or none).
    virtual void LoadShader(MaterialStage /*stage*/, const std::string& /*file*/, const std::string& /*entry*/) {}
    // "textureslot": the bind point of a resource of the current pixel shader;
    // false without a pixel shader or without a resource of that name.
    virtual bool FindPixelResource(const std::string& /*resourceName*/, uint32_t& /*bindPoint*/) const
    {
        return false;
    }
    // Whether a pixel shader has been loaded (a "textureslot" line needs one).
    virtual bool HasPixelShader() const { return false; }
    // A "loadvertexshader" / "loadpixelshader" line was read, whether or not it compiled.
    void NoteShaderLine(MaterialStage stage) { m_bShaderLine[stage == MaterialStage::Pixel ? 1 : 0] = true; }

    virtual void Apply() {}
    // Advances the colour source, then points "AmbientColour" at this material's colour.
    virtual void Update(float dt);

    // Several users of one material each update it, then all draw later: each
    // keeps what its own update put into the constant buffers and puts it back
    // before drawing. The base has no constant buffers: the snapshot is empty.
    virtual void CaptureConstants(std::vector<uint8_t>& snapshot) const { snapshot.clear(); }
    // Puts a user's snapshot back (the colour source is not advanced again):
    // until the next Update, Apply binds constants holding it. The material
    // then reports the stamp the snapshot was taken under.
    void RestoreConstants(const std::vector<uint8_t>& snapshot, uint64_t stamp, const void* user);
    // What the constant buffers hold now: a new stamp on every Update, or the
    // stamp of the snapshot last restored.
    uint64_t GetConstantsStamp() const { return m_ConstantsStamp; }

    // First slot of that exact name gets the texture; no slot, no effect (false).
    bool SetTexture(const std::string& slotName, CTextureResource* texture);
    bool HasTextureSlot(const std::string& slotName) const;
    void AddTextureSlot(const std::string& slotName, uint32_t bindPoint);

    void SetColour(float r, float g, float b, float a);
    void SetColourSource(CVariableResource* variable) { m_pColourSource = variable; }

    // Says when a shader constant is never written: a problem when it has the name of
    // a published value but another size (a float3 AmbientColour, say), a warning
    // naming the nearest published name when no value has its name at all.
    void CheckConstant(const std::string& lowercaseName, uint32_t size) const;

    const std::vector<TextureSlot>& GetTextureSlots() const { return m_Slots; }
    CVariableResource* GetColourSource() const { return m_pColourSource; }
    const std::array<float, 4>& GetAmbientColour() const { return m_AmbientColour; }

protected:
    // A reload: the slots of a material made again from the files, keeping each
    // texture the script had put in a slot that is still there.
    void TakeSlotsFrom(CMaterialResource& fresh);
    // Makes the buffers Apply binds hold a snapshot from CaptureConstants. A back
    // end may keep a copy per user, so that draws already issued with other
    // contents keep theirs without waiting for the device.
    virtual void UploadConstants(const std::vector<uint8_t>& /*snapshot*/, const void* /*user*/) {}

private:
    std::vector<TextureSlot> m_Slots;
    bool m_bShaderLine[2] = {false, false}; // vertex, pixel
    CVariableResource* m_pColourSource = nullptr;
    std::array<float, 4> m_AmbientColour = {1.0f, 1.0f, 1.0f, 1.0f};
    uint64_t m_ConstantsStamp = 0;
};
