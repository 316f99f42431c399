// CModelRendererProperty: draws a model with the material bound to its slot.
// It neither owns the model nor the materials.
#pragma once
#include "scene/Property.h"

#include <vector>

class CModelResource;
class CMaterialResource;

struct MaterialBinding {
    std::string slot;
    CMaterialResource* material = nullptr;
};

class CModelRendererProperty : public CProperty {
public:
    CModelRendererProperty(std::string name, CModelResource* model);

    bool Update(float dt) override;
    bool Render() override;

    // Only an existing binding can change; none is ever added after construction.
    // False when the model has no part (material slot) of that name.
    bool SetMaterial(const std::string& slot, CMaterialResource* material);
    CMaterialResource* GetMaterial(const std::string& slot) const;
    CModelResource* GetModel() const { return m_pModel; }

private:
    CModelResource* m_pModel;
    std::vector<MaterialBinding> m_Bindings;
};
