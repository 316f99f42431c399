// CPostProcessResource: a full-screen effect: an owned render target plus the
// material that draws it. The chain order lives in the renderer, not here.
#pragma once
#include "scene/Resource.h"

#include <memory>

class CMaterialResource;
class CTextureResource;

class CPostProcessResource : public CResource {
public:
    explicit CPostProcessResource(std::string name) : CResource(RESOURCE_POSTPROCESS, std::move(name)) {}
    ~CPostProcessResource() override;

    virtual bool Create() { return true; }
    virtual void Destroy() {}
    virtual void BindAsTarget() {}
    // Uploads and applies the material; the back end then draws its quad.
    virtual void Render();

    CTextureResource* GetTarget() const { return m_pTarget.get(); }
    CMaterialResource* GetMaterial() const { return m_pMaterial; }
    void SetMaterial(CMaterialResource* material) { m_pMaterial = material; }

protected:
    std::unique_ptr<CTextureResource> m_pTarget;
    CMaterialResource* m_pMaterial = nullptr;
};
