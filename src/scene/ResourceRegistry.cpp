// Lookups through the name index; the list keeps the registration order.
#include "scene/ResourceRegistry.h"

const std::vector<CResource*>* CResourceRegistry::Named(const std::string& lowercaseName) const
{
    const auto it = m_ByName.find(lowercaseName);
    return it == m_ByName.end() ? nullptr : &it->second;
}

CResource* CResourceRegistry::FindResource(std::string name) const
{
    const std::vector<CResource*>* named = Named(LowerAscii(std::move(name)));
    return named ? named->front() : nullptr;
}

CResource* CResourceRegistry::FindResource(std::string name, ResourceKind kind) const
{
    if (const std::vector<CResource*>* named = Named(LowerAscii(std::move(name))))
        for (CResource* r : *named)
            if (r->GetKind() == kind)
                return r;
    return nullptr;
}

bool CResourceRegistry::AddResource(CResource* resource)
{
    if (!resource)
        return false;
    std::vector<CResource*>& named = m_ByName[resource->GetName()];
    for (const CResource* r : named)
        if (r->GetKind() == resource->GetKind())
            return false;
    named.push_back(resource);
    m_Resources.push_back(resource);
    return true;
}
