// Keyframe evaluation: a lazy stable sort, then a linear walk.
#include "scene/VariableResource.h"

#include <algorithm>

void Keyframe::Set(int32_t i, float value)
{
    if (i < 0 || i >= count)
        return;
    if (static_cast<size_t>(i) >= values.size())
        values.resize(static_cast<size_t>(i) + 1, 0.0f);
    values[static_cast<size_t>(i)] = value;
}

CVariableResource::CVariableResource(std::string name, std::string /*interpolation*/, int32_t components)
    : CResource(RESOURCE_VARIABLE, std::move(name)),
      m_nComponents(std::clamp<int32_t>(components, 0, kMaxVariableComponents))
{
}

Keyframe* CVariableResource::AddKeyframe(float time)
{
    auto key = std::make_unique<Keyframe>();
    key->time = time;
    key->count = m_nComponents;
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
    return i >= 0 && i < m_Value.Count() ? m_Value.Component(i) : fallback;
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
    m_Value.count = m_nComponents;
    // Components neither key stores are 0 at both ends, so 0 between them: not stored.
    const size_t stored = std::max(a.values.size(), b.values.size());
    m_Value.values.resize(stored); // keeps its capacity: no allocation once warm
    for (size_t i = 0; i < stored; ++i) {
        const float va = a.Component(static_cast<int32_t>(i));
        const float vb = b.Component(static_cast<int32_t>(i));
        m_Value.values[i] = (vb - va) * f + va;
    }
}
