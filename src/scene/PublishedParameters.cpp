// Lookup in the list of published names.
#include "scene/PublishedParameters.h"

#include "scene/Resource.h"

const PublishedParameter* FindPublishedParameter(const std::string& name)
{
    const std::string lower = LowerAscii(name);
    for (const PublishedParameter& p : kPublishedParameters)
        if (LowerAscii(p.name) == lower)
            return &p;
    return nullptr;
}
