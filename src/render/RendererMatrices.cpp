// Matrix stack and camera matrices.
#include "render/RendererMatrices.h"

#include "scene/ParameterTable.h"
#include "scene/PublishedParameters.h"
#include "scene/Transform.h"

#include <numbers>

namespace {
Matrix4 MakeProjection(int width, int height, float nearZ)
{
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    return mlmath::Transpose(mlmath::PerspectiveFovLH(std::numbers::pi / 2.0, aspect, nearZ, 100.0f));
}
} // namespace

CRendererMatrices::CRendererMatrices()
    : m_World(Matrix4::Identity()), m_View(Matrix4::Identity()), m_Projection(Matrix4::Identity())
{
    m_Stack.reserve(16);
    m_Stack.push_back(Matrix4::Identity());
}

void CRendererMatrices::Register(CParameterTable& table) const
{
    table.RegisterParameter(&m_World, kWorldMatrixParameter.size, kWorldMatrixParameter.name);
    table.RegisterParameter(&m_View, kViewMatrixParameter.size, kViewMatrixParameter.name);
    table.RegisterParameter(&m_Projection, kProjectionMatrixParameter.size, kProjectionMatrixParameter.name);
}

void CRendererMatrices::Push(const CTransform* transform)
{
    const auto* t = dynamic_cast<const CMatrixTransform*>(transform);
    const Matrix4 local = t ? t->GetLocal() : Matrix4::Identity();
    m_Stack.push_back(mlmath::Multiply(local, m_Stack.back()));
    m_World = mlmath::Transpose(m_Stack.back());
}

void CRendererMatrices::Pop()
{
    if (m_Stack.size() > 1)
        m_Stack.pop_back();
}

void CRendererMatrices::ResetForClear(int width, int height)
{
    m_World = Matrix4::Identity();
    m_View = mlmath::Transpose(mlmath::LookAtLH({0, 0, -1}, {0, 0, 0}, {0, 1, 0}));
    m_Projection = MakeProjection(width, height, 0.1f);
}

void CRendererMatrices::SetEndSceneProjection(int width, int height)
{
    m_Projection = MakeProjection(width, height, 0.01f);
}

void CRendererMatrices::SetInitial(int width, int height)
{
    ResetForClear(width, height);
    SetEndSceneProjection(width, height);
}
