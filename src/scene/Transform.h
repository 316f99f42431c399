// CTransform: a node's position, rotation (degrees) and scale, each a fixed
// value or driven by a variable. CMatrixTransform adds the local matrix built
// from them. The renderer, not the transform, composes world matrices.
#pragma once
#include "render/Math.h"

class CVariableResource;

enum class TransformChannel { Position, Rotation, Scale };

class CTransform {
public:
    virtual ~CTransform() = default;
    virtual void Update(float dt);

    // A fixed value clears the channel's variable; binding keeps the old value
    // until the next update overwrites it.
    void SetValue(TransformChannel channel, Float3 value);
    void SetVariable(TransformChannel channel, CVariableResource* variable);

    Float3 GetValue(TransformChannel channel) const { return m_Value[Index(channel)]; }
    CVariableResource* GetVariable(TransformChannel channel) const { return m_pVariable[Index(channel)]; }

private:
    static int Index(TransformChannel c) { return static_cast<int>(c); }

    CVariableResource* m_pVariable[3] = {nullptr, nullptr, nullptr};
    Float3 m_Value[3] = {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}};
};

// The transform every renderer creates: rebuilds Local = S * Rx * Ry * Rz * T on update.
// The matrix math has nothing platform-specific, so one class serves every back end.
class CMatrixTransform : public CTransform {
public:
    void Update(float dt) override;
    const Matrix4& GetLocal() const { return m_Local; }

private:
    Matrix4 m_Local = Matrix4::Identity();
};
