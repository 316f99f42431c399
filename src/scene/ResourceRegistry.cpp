// Linear lookups over the registration order.
#include "scene/ResourceRegistry.h"

CResource* CResourceRegistry::FindResource(std::string name) const
{
    name = LowerAscii(std::move(name));
    for (CResource* r : m_Resources)
        if (r->GetName() == name)
            return r;
    return nullptr;
}

CResource* CResourceRegistry::FindResource(std::string name, ResourceKind kind) const
{
    name = LowerAscii(std::move(name));
    for (CResource* r : m_Resources)
        if (r->GetKind() == kind && r->GetName() == name)
            return r;
    return nullptr;
}

bool CResourceRegistry::AddResource(CResource* resource)
{
    if (!resource || FindResource(resource->GetName(), resource->GetKind()))
        return false;
    m_Resources.push_back(resource);
    return true;
}
