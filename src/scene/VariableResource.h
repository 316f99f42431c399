// CVariableResource: a named vector of floats animated by keyframes on its own
// clock, interpolated linearly and held at both ends. Users advance the clock;
// the variable never advances itself. Keys store only the components a script
// wrote (the rest read as 0), so memory follows the script, not the declared count.
#pragma once
#include "scene/Resource.h"

#include <memory>
#include <vector>

// More components than any user reads by far; a larger count is a mistake in the script.
inline constexpr int32_t kMaxVariableComponents = 4096;

struct Keyframe {
    float time = 0.0f;
    int32_t count = 0;         // the key's component count
    std::vector<float> values; // the first components; those from values.size() to count are 0

    int32_t Count() const { return count; }
    float Component(int32_t i) const
    {
        return i >= 0 && static_cast<size_t>(i) < values.size() ? values[static_cast<size_t>(i)] : 0.0f;
    }
    // Sets component i; ignored unless 0 <= i < count.
    void Set(int32_t i, float value);
};

class CVariableResource : public CResource {
public:
    // A negative component count is taken as 0, one above kMaxVariableComponents
    // as that bound (the script command refuses such a count first). Every variable is linear.
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
    int32_t m_nComponents;
    bool m_bUnsorted = false;
    float m_fLocalTime = 0.0f;
    Keyframe m_Value;
    std::vector<std::unique_ptr<Keyframe>> m_Keys; // pointers stay valid while keys are added
};
