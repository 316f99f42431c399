// CResourceRegistry: the flat, ordered, non-owning list of named resources.
// Lookups are linear and the first match wins; nothing is ever removed.
// It does not own or destroy what it lists (the demo system decides that).
#pragma once
#include "scene/Resource.h"

#include <string>
#include <vector>

class CResourceRegistry {
public:
    CResource* FindResource(std::string name) const;
    CResource* FindResource(std::string name, ResourceKind kind) const;
    // Appends the resource unless one of the same name and kind is listed already.
    bool AddResource(CResource* resource);

    const std::vector<CResource*>& GetAll() const { return m_Resources; }

private:
    std::vector<CResource*> m_Resources;
};
