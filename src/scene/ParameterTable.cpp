// Parameter bindings in insertion order.
#include "scene/ParameterTable.h"

#include "scene/Resource.h"

void CParameterTable::RegisterParameter(const void* data, uint32_t size, std::string name)
{
    m_Bindings.push_back({LowerAscii(std::move(name)), data, size});
}

void CParameterTable::SetParameter(std::string name, const void* data, uint32_t size)
{
    name = LowerAscii(std::move(name));
    for (ParameterBinding& b : m_Bindings) {
        if (b.name == name && b.size == size) {
            b.data = data;
            return;
        }
    }
    m_Bindings.push_back({std::move(name), data, size});
}

const void* CParameterTable::FindParameter(const std::string& name, uint32_t* size) const
{
    for (const ParameterBinding& b : m_Bindings) {
        if (b.name == name) {
            if (size)
                *size = b.size;
            return b.data;
        }
    }
    return nullptr;
}
