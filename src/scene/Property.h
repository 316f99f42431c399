// CProperty: what a node does besides carrying a transform. Three update and
// three render stages, each a no-op returning true unless a property overrides it.
#pragma once
#include "scene/Resource.h"

class CProperty : public CResource {
public:
    using CResource::CResource;

    virtual bool PreUpdate(float /*dt*/) { return true; }
    virtual bool Update(float /*dt*/) { return true; }
    virtual bool PostUpdate(float /*dt*/) { return true; }
    virtual bool PreRender() { return true; }
    virtual bool Render() { return true; }
    virtual bool PostRender() { return true; }
};

// Marks a camera; draws nothing and changes no state (the renderer's camera is fixed).
class CCameraProperty : public CProperty {
public:
    explicit CCameraProperty(std::string name) : CProperty(RESOURCE_CAMERA, std::move(name)) {}
};
