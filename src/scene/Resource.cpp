// Name folding and the resource base.
#include "scene/Resource.h"

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

CResource::CResource(ResourceKind kind, std::string name)
    : m_Kind(kind), m_Name(LowerAscii(std::move(name)))
{
}
