// Keyframe evaluation: a lazy stable sort, then a linear walk.
#include "scene/VariableResource.h"

#include <algorithm>

CVariableResource::CVariableResource(std::string name, std::string /*interpolation*/, int32_t components)
    : CResource(RESOURCE_VARIABLE, std::move(name)), m_nComponents(std::max<int32_t>(components, 0))
{
}

Keyframe* CVariableResource::AddKeyframe(float time)
{
    auto key = std::make_unique<Keyframe>();
    key->time = time;
    key->values.assign(static_cast<size_t>(m_nComponents), 0.0f);
    m_Keys.push_back(std::move(key));
    m_bUnsorted = true;
    return m_Keys.back().get();
}

void CVariableResource::Advance(float dt)
{
    m_fLocalTime += dt;
    Evaluate(m_fLocalTime);
}

float CVariableResource::GetComponent(int32_t i, float fallback) const
{
    return i >= 0 && i < m_Value.Count() ? m_Value.values[static_cast<size_t>(i)] : fallback;
}

void CVariableResource::Evaluate(float t)
{
    if (m_bUnsorted) {
        // Stable, so keys at one time keep the order the script wrote them in.
        std::stable_sort(m_Keys.begin(), m_Keys.end(),
                         [](const auto& a, const auto& b) { return a->time < b->time; });
        m_bUnsorted = false;
    }
    if (m_Keys.empty())
        return;
    if (m_Keys.front()->time >= t) {
        m_Value = *m_Keys.front();
        return;
    }
    size_t next = 0;
    while (next < m_Keys.size() && m_Keys[next]->time <= t)
        ++next;
    if (next == m_Keys.size()) {
        m_Value = *m_Keys.back();
        return;
    }
    const Keyframe& a = *m_Keys[next - 1];
    const Keyframe& b = *m_Keys[next];
    const float f = (t - a.time) / (b.time - a.time);
    m_Value.time = t;
    m_Value.values.assign(static_cast<size_t>(m_nComponents), 0.0f);
    for (int32_t i = 0; i < m_nComponents; ++i) {
        const float va = i < a.Count() ? a.values[static_cast<size_t>(i)] : 0.0f;
        const float vb = i < b.Count() ? b.values[static_cast<size_t>(i)] : 0.0f;
        m_Value.values[static_cast<size_t>(i)] = (vb - va) * f + va;
    }
}
