// CVariableResource: a named vector of floats animated by keyframes on its own
// clock, interpolated linearly and held at both ends. Users advance the clock;
// the variable never advances itself.
#pragma once
#include "scene/Resource.h"

#include <memory>
#include <vector>

struct Keyframe {
    float time = 0.0f;
    std::vector<float> values; // its size is the key's component count

    int32_t Count() const { return static_cast<int32_t>(values.size()); }
};

class CVariableResource : public CResource {
public:
    // A negative component count is taken as 0. Every variable is linear.
    CVariableResource(std::string name, std::string interpolation, int32_t components);

    // Appends a key of all-zero components; sorted lazily at the next Evaluate.
    Keyframe* AddKeyframe(float time);
    void Evaluate(float t);

    // Adds dt to the variable's clock, then evaluates at the new time.
    void Advance(float dt);

    int32_t GetComponentCount() const { return m_nComponents; }
    float GetLocalTime() const { return m_fLocalTime; }
    const Keyframe& GetValue() const { return m_Value; }
    // Component i of the current value, or the user's default when it has none.
    float GetComponent(int32_t i, float fallback) const;

private:
    int32_t m_nInterpolation = 0;
    int32_t m_nComponents;
    bool m_bUnsorted = false;
    float m_fLocalTime = 0.0f;
    Keyframe m_Value;
    std::vector<std::unique_ptr<Keyframe>> m_Keys; // pointers stay valid while keys are added
};
