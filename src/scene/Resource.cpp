// Name folding and the resource base.
#include "scene/Resource.h"

#include <iterator>

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

namespace {
// Indexed by ResourceKind.
constexpr const char* kKindNames[] = {
    "resource", "audio track", "texture", "node", "model", "material", "font",
    "variable", "effect", "model renderer", "text renderer", "camera",
};
static_assert(std::size(kKindNames) == RESOURCE_CAMERA + 1, "one name per resource kind");
} // namespace

const char* ResourceKindName(ResourceKind kind)
{
    const auto i = static_cast<size_t>(kind);
    return i < std::size(kKindNames) ? kKindNames[i] : kKindNames[0];
}

CResource::CResource(ResourceKind kind, std::string name)
    : m_Kind(kind), m_Name(LowerAscii(std::move(name)))
{
}
