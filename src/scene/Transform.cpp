// Channel updates from variables and the local matrix.
#include "scene/Transform.h"

#include "scene/VariableResource.h"

void CTransform::Update(float dt)
{
    for (int i = 0; i < 3; ++i) {
        CVariableResource* v = m_pVariable[i];
        if (!v)
            continue;
        v->Advance(dt);
        m_Value[i] = {v->GetComponent(0, 0.0f), v->GetComponent(1, 0.0f), v->GetComponent(2, 0.0f)};
    }
}

void CTransform::SetValue(TransformChannel channel, Float3 value)
{
    m_Value[Index(channel)] = value;
    m_pVariable[Index(channel)] = nullptr;
}

void CTransform::SetVariable(TransformChannel channel, CVariableResource* variable)
{
    m_pVariable[Index(channel)] = variable;
}

void CMatrixTransform::Update(float dt)
{
    CTransform::Update(dt);
    using namespace mlmath;
    const Float3 s = GetValue(TransformChannel::Scale);
    const Float3 r = GetValue(TransformChannel::Rotation);
    const Float3 p = GetValue(TransformChannel::Position);
    Matrix4 m = Scaling(s.x, s.y, s.z);
    m = Multiply(m, RotationX(r.x * kDegToRad));
    m = Multiply(m, RotationY(r.y * kDegToRad));
    m = Multiply(m, RotationZ(r.z * kDegToRad));
    m_Local = Multiply(m, Translation(p.x, p.y, p.z));
}
