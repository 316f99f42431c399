// CResourceRegistry: the flat, ordered, non-owning list of named resources.
// The first match wins: the kind-less lookup returns the first resource
// registered under a name, whatever its kind. Nothing is ever removed. An index
// by name answers lookups in constant time, with the same answers a scan of the
// list in registration order gives. It does not own or destroy what it lists
// (the demo system decides that).
#pragma once
#include "scene/Resource.h"

#include <string>
#include <unordered_map>
#include <vector>

class CResourceRegistry {
public:
    CResource* FindResource(std::string name) const;
    CResource* FindResource(std::string name, ResourceKind kind) const;
    // Appends the resource unless one of the same name and kind is listed already.
    bool AddResource(CResource* resource);

    const std::vector<CResource*>& GetAll() const { return m_Resources; }

private:
    const std::vector<CResource*>* Named(const std::string& lowercaseName) const;

    std::vector<CResource*> m_Resources;
    // Lowercased name -> the resources of that name in registration order, at
    // most one per kind, so a lookup by kind looks at no more than eleven.
    std::unordered_map<std::string, std::vector<CResource*>> m_ByName;
};
