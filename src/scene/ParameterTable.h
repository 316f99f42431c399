// CParameterTable: named live values (address and size) that materials copy
// into shader constants. It never copies or owns a value. Bindings are kept in
// insertion order and never removed; an index by name finds them without a
// scan, with the answers a scan in insertion order gives.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct ParameterBinding {
    std::string name;
    const void* data = nullptr;
    uint32_t size = 0;
};

class CParameterTable {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // Appends a binding, without looking for an existing one.
    void RegisterParameter(const void* data, uint32_t size, std::string name);
    // Re-points the first binding of equal name and size, or appends one.
    void SetParameter(std::string name, const void* data, uint32_t size);
    // Exact (already lowercased) name; first match. Null when none.
    const void* FindParameter(const std::string& name, uint32_t* size = nullptr) const;
    // Position in GetAll() of the binding FindParameter answers with, or npos.
    // Positions never change; an append is the only change that can alter the answer.
    size_t FindParameterIndex(const std::string& name) const;

    const std::vector<ParameterBinding>& GetAll() const { return m_Bindings; }

private:
    void Append(std::string name, const void* data, uint32_t size);

    std::vector<ParameterBinding> m_Bindings;
    // Name -> positions of its bindings, in insertion order.
    std::unordered_map<std::string, std::vector<size_t>> m_ByName;
};
