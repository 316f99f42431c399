// CModelResource: the platform-neutral face of a model: its one material slot,
// its counts and a draw operation. Geometry and buffers belong to the back end.
#pragma once
#include "scene/Resource.h"

#include <cstdint>

class CModelResource : public CResource {
public:
    explicit CModelResource(std::string name) : CResource(RESOURCE_MODEL, std::move(name)) {}

    // Reads a model file and makes the model's buffers; the base loads nothing.
    virtual bool Load(const std::string& /*path*/) { return false; }
    virtual void Draw() {}
    const std::string& GetMaterialSlot() const { return m_MaterialSlot; }
    uint32_t GetVertexCount() const { return m_nVertexCount; }
    // The count each draw passes on.
    uint32_t GetIndexCount() const { return m_nIndexCount; }

protected:
    uint32_t m_nVertexCount = 0;
    uint32_t m_nIndexCount = 0;

private:
    std::string m_MaterialSlot = "material";
};
