// Effect base: a pass is an Update(0) then Apply of its material.
#include "render/PostProcessResource.h"

#include "render/MaterialResource.h"
#include "render/TextureResource.h"

CPostProcessResource::~CPostProcessResource() = default;

void CPostProcessResource::Render()
{
    if (m_pMaterial) {
        m_pMaterial->Update(0.0f);
        m_pMaterial->Apply();
    }
}
