// CParameterTable: named live values (address and size) that materials copy
// into shader constants. It never copies or owns a value.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ParameterBinding {
    std::string name;
    const void* data = nullptr;
    uint32_t size = 0;
};

class CParameterTable {
public:
    // Appends a binding, without looking for an existing one.
    void RegisterParameter(const void* data, uint32_t size, std::string name);
    // Re-points the first binding of equal name and size, or appends one.
    void SetParameter(std::string name, const void* data, uint32_t size);
    // Exact (already lowercased) name; first match. Null when none.
    const void* FindParameter(const std::string& name, uint32_t* size = nullptr) const;

    const std::vector<ParameterBinding>& GetAll() const { return m_Bindings; }

private:
    std::vector<ParameterBinding> m_Bindings;
};
