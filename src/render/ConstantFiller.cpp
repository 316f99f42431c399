// Constant buffer filling through bindings matched in advance.
#include "render/ConstantFiller.h"

#include "scene/ParameterTable.h"

#include <algorithm>
#include <cstring>

void CConstantFiller::Match(const CParameterTable& table)
{
    m_Binding.resize(m_Variables.size());
    for (size_t i = 0; i < m_Variables.size(); ++i)
        m_Binding[i] = table.FindParameterIndex(m_Variables[i].name);
    m_pMatchedTable = &table;
    m_nMatchedBindings = table.GetAll().size();
}

void CConstantFiller::Fill(const CParameterTable& table, std::vector<uint8_t>& shadow)
{
    if (m_pMatchedTable != &table || m_nMatchedBindings != table.GetAll().size())
        Match(table);
    std::fill(shadow.begin(), shadow.end(), uint8_t{0});
    const std::vector<ParameterBinding>& bindings = table.GetAll();
    for (size_t i = 0; i < m_Variables.size(); ++i) {
        if (m_Binding[i] == CParameterTable::npos)
            continue;
        const ParameterBinding& b = bindings[m_Binding[i]];
        const ConstantVariable& v = m_Variables[i];
        if (b.data && b.size == v.size && v.offset <= shadow.size() && v.size <= shadow.size() - v.offset)
            std::memcpy(shadow.data() + v.offset, b.data, v.size);
    }
}
