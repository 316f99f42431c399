// Model renderer: update the bound material in the update pass, draw in the render pass.
#include "scene/ModelRendererProperty.h"

#include "render/MaterialResource.h"
#include "render/ModelResource.h"

CModelRendererProperty::CModelRendererProperty(std::string name, CModelResource* model)
    : CProperty(RESOURCE_MODELRENDERER, std::move(name)), m_pModel(model)
{
    if (m_pModel)
        m_Bindings.push_back({m_pModel->GetMaterialSlot(), nullptr});
}

bool CModelRendererProperty::Update(float dt)
{
    if (!m_pModel)
        return true;
    CMaterialResource* material = GetMaterial(m_pModel->GetMaterialSlot());
    m_pUpdatedMaterial = material;
    if (material) {
        material->Update(dt);
        material->CaptureConstants(m_Constants);
        m_ConstantsStamp = material->GetConstantsStamp();
    }
    return true;
}

bool CModelRendererProperty::Render()
{
    if (!m_pModel)
        return true;
    if (CMaterialResource* material = GetMaterial(m_pModel->GetMaterialSlot())) {
        // Another user updated the material after this renderer did: put this
        // renderer's constants back. A material with one user is never touched.
        if (material == m_pUpdatedMaterial && material->GetConstantsStamp() != m_ConstantsStamp)
            material->RestoreConstants(m_Constants, m_ConstantsStamp, this);
        material->Apply();
    }
    m_pModel->Draw();
    return true;
}

bool CModelRendererProperty::SetMaterial(const std::string& slot, CMaterialResource* material)
{
    for (MaterialBinding& b : m_Bindings) {
        if (b.slot == slot) {
            b.material = material;
            return true;
        }
    }
    return false;
}

CMaterialResource* CModelRendererProperty::GetMaterial(const std::string& slot) const
{
    for (const MaterialBinding& b : m_Bindings)
        if (b.slot == slot)
            return b.material;
    return nullptr;
}
