// Colour source, ambient colour publication and texture slots.
#include "render/MaterialResource.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/NearestName.h"
#include "assets/FilePath.h"
#include "render/MaterialCommands.h"
#include "scene/ParameterTable.h"
#include "scene/PublishedParameters.h"
#include "scene/VariableResource.h"
#include "script/ScriptReader.h"

bool CMaterialResource::ReadMaterialFile(const std::string& path)
{
    // A missing file would read as an empty one and make an empty material that
    // registers; refuse it instead, so lookups by name find nothing.
    if (!FileExists(path)) {
        diag::Report("cannot open material file '" + path + "'");
        return false;
    }
    CScriptReader reader(path, kMaterialCommands, kMaterialCommandCount);
    if (!reader.ReadCommands(this))
        return false;
    // Without a vertex stage nothing is drawn; a failed line has said why already. A vertex
    // stage alone is a depth-only material (occluders), as Direct3D draws with no pixel
    // shader: it works, so it is only worth a warning in case the line was forgotten.
    if (!m_bShaderLine[0])
        diag::Report("material file '" + path + "' has no loadvertexshader line; the material draws nothing");
    else if (!m_bShaderLine[1])
        diag::Warn("material file '" + path +
                   "' has no loadpixelshader line; the material writes depth only, no colour");
    return true;
}

namespace {
// Names HLSL authors give the filler that keeps a constant buffer's layout aligned.
bool IsPadding(const std::string& lowercaseName)
{
    return lowercaseName.rfind("pad", 0) == 0 || lowercaseName.rfind("_", 0) == 0;
}
} // namespace

void CMaterialResource::CheckConstant(const std::string& lowercaseName, uint32_t size) const
{
    // Judged by the published list rather than the table, which fills up as the renderer
    // and the materials start (the fader's shaders load before "fade_value" is there).
    const CParameterTable* table = g_pDemoSystem ? g_pDemoSystem->m_Parameters.get() : nullptr;
    uint32_t published = 0;
    if (const PublishedParameter* p = FindPublishedParameter(lowercaseName))
        published = p->size;
    else if (table)
        table->FindParameter(lowercaseName, &published);
    if (published != 0 && published != size) {
        diag::Report("material '" + GetName() + "': shader constant '" + lowercaseName + "' has " +
                     std::to_string(size) + " bytes, but the value of that name has " + std::to_string(published) +
                     "; it is never written");
        return;
    }
    if (published != 0 || IsPadding(lowercaseName))
        return;
    // Filled by nothing, it reads 0 on every frame: most often a misspelt published name.
    std::vector<std::string> names;
    for (const PublishedParameter& p : kPublishedParameters)
        names.emplace_back(p.name);
    const std::string nearest = NearestName(lowercaseName, names);
    std::string message = "material '" + GetName() + "': nothing fills shader constant '" + lowercaseName +
                          "', so it reads 0";
    if (!nearest.empty()) {
        message += "; did you mean '" + nearest + "'?";
    } else {
        message += " (the values shaders can receive:";
        for (size_t i = 0; i < names.size(); ++i)
            message += (i == 0 ? " " : ", ") + names[i];
        message += ")";
    }
    diag::Warn(message);
}

namespace {
// Stamps are unique across materials and frames; 0 means "never updated".
uint64_t g_LastConstantsStamp = 0;
} // namespace

void CMaterialResource::Update(float dt)
{
    m_ConstantsStamp = ++g_LastConstantsStamp;
    if (m_pColourSource) {
        m_pColourSource->Advance(dt);
        for (int k = 0; k < 4; ++k)
            m_AmbientColour[static_cast<size_t>(k)] = m_pColourSource->GetComponent(k, 1.0f);
    }
    if (g_pDemoSystem && g_pDemoSystem->m_Parameters)
        g_pDemoSystem->m_Parameters->SetParameter(kAmbientColourParameter.name, m_AmbientColour.data(),
                                                  kAmbientColourParameter.size);
}

void CMaterialResource::RestoreConstants(const std::vector<uint8_t>& snapshot, uint64_t stamp, const void* user)
{
    UploadConstants(snapshot, user);
    m_ConstantsStamp = stamp;
}

bool CMaterialResource::SetTexture(const std::string& slotName, CTextureResource* texture)
{
    for (TextureSlot& slot : m_Slots) {
        if (slot.name == slotName) {
            slot.texture = texture;
            return true;
        }
    }
    return false;
}

bool CMaterialResource::HasTextureSlot(const std::string& slotName) const
{
    for (const TextureSlot& slot : m_Slots)
        if (slot.name == slotName)
            return true;
    return false;
}

void CMaterialResource::AddTextureSlot(const std::string& slotName, uint32_t bindPoint)
{
    m_Slots.push_back({LowerAscii(slotName), bindPoint, nullptr});
}

void CMaterialResource::SetColour(float r, float g, float b, float a)
{
    m_AmbientColour = {r, g, b, a};
    m_pColourSource = nullptr;
}

void CMaterialResource::TakeSlotsFrom(CMaterialResource& fresh)
{
    for (TextureSlot& slot : fresh.m_Slots) {
        if (slot.texture)
            continue;
        for (const TextureSlot& old : m_Slots)
            if (old.name == slot.name && old.texture) {
                slot.texture = old.texture;
                break;
            }
    }
    m_Slots = std::move(fresh.m_Slots);
    m_bShaderLine[0] = fresh.m_bShaderLine[0];
    m_bShaderLine[1] = fresh.m_bShaderLine[1];
}
