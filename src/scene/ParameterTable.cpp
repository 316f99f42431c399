// Parameter bindings in insertion order, indexed by name.
#include "scene/ParameterTable.h"

#include "scene/Resource.h"

void CParameterTable::Append(std::string name, const void* data, uint32_t size)
{
    m_ByName[name].push_back(m_Bindings.size());
    m_Bindings.push_back({std::move(name), data, size});
}

void CParameterTable::RegisterParameter(const void* data, uint32_t size, std::string name)
{
    Append(LowerAscii(std::move(name)), data, size);
}

void CParameterTable::SetParameter(std::string name, const void* data, uint32_t size)
{
    name = LowerAscii(std::move(name));
    if (const auto it = m_ByName.find(name); it != m_ByName.end()) {
        for (size_t i : it->second) {
            if (m_Bindings[i].size == size) {
                m_Bindings[i].data = data;
                return;
            }
        }
    }
    Append(std::move(name), data, size);
}

size_t CParameterTable::FindParameterIndex(const std::string& name) const
{
    const auto it = m_ByName.find(name);
    return it == m_ByName.end() ? npos : it->second.front();
}

const void* CParameterTable::FindParameter(const std::string& name, uint32_t* size) const
{
    const size_t i = FindParameterIndex(name);
    if (i == npos)
        return nullptr;
    if (size)
        *size = m_Bindings[i].size;
    return m_Bindings[i].data;
}
