// CConstantFiller: fills the CPU copy of one shader constant buffer from the
// parameter table. Each variable is matched to its parameter by name once, and
// again only after the table has grown (an append is the only change that can
// alter which binding a name finds); every fill then reads the matched
// binding's current address, so re-pointing "AmbientColour" still reaches it.
// It does not upload the copy to a device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CParameterTable;

struct ConstantVariable {
    std::string name; // lowercased
    uint32_t offset = 0;
    uint32_t size = 0;
};

class CConstantFiller {
public:
    CConstantFiller() = default;
    explicit CConstantFiller(std::vector<ConstantVariable> variables) : m_Variables(std::move(variables)) {}

    // Zeroes the copy, then writes each variable whose parameter has exactly its
    // size, and never past the end of the copy.
    void Fill(const CParameterTable& table, std::vector<uint8_t>& shadow);

    const std::vector<ConstantVariable>& GetVariables() const { return m_Variables; }

private:
    void Match(const CParameterTable& table);

    std::vector<ConstantVariable> m_Variables;
    std::vector<size_t> m_Binding; // per variable: position in the table, or npos
    const CParameterTable* m_pMatchedTable = nullptr;
    size_t m_nMatchedBindings = 0;
};
