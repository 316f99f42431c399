// CModelResource: the platform-neutral face of a model: its one material slot
// and a draw operation. Geometry and buffers belong to the back end.
#pragma once
#include "scene/Resource.h"

class CModelResource : public CResource {
public:
    explicit CModelResource(std::string name) : CResource(RESOURCE_MODEL, std::move(name)) {}

    virtual void Draw() {}
    const std::string& GetMaterialSlot() const { return m_MaterialSlot; }

private:
    std::string m_MaterialSlot = "material";
};
