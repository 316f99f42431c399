// The World, View and Projection matrices shaders read, and the matrix stack
// that composes node transforms. Shared by every back end, so the timing of
// each matrix (which one a material sees when) is the same everywhere.
#pragma once
#include "render/Math.h"

#include <cstddef>
#include <vector>

class CParameterTable;
class CTransform;

class CRendererMatrices {
public:
    CRendererMatrices();

    // Publishes "WorldMatrix", "ViewMatrix" and "ProjectionMatrix" (64 bytes each).
    void Register(CParameterTable& table) const;

    // Pushes local * top and publishes the new top, transposed, as World.
    void Push(const CTransform* transform);
    // Removes the top; World keeps the last push. The base identity is never removed.
    void Pop();

    // Start of frame drawing: World identity, the fixed look-at View, Projection near 0.1.
    void ResetForClear(int width, int height);
    // After the passes: the same Projection with near plane 0.01.
    void SetEndSceneProjection(int width, int height);
    // Before the first frame: what every finished frame leaves (World identity,
    // the fixed View, Projection near 0.01), so the first update sees the camera
    // every later one does.
    void SetInitial(int width, int height);

    const Matrix4& Top() const { return m_Stack.back(); }
    size_t Depth() const { return m_Stack.size(); }
    // Stored transposed, as the shaders read them.
    const Matrix4& World() const { return m_World; }
    const Matrix4& View() const { return m_View; }
    const Matrix4& Projection() const { return m_Projection; }

private:
    Matrix4 m_World;
    Matrix4 m_View;
    Matrix4 m_Projection;
    std::vector<Matrix4> m_Stack;
};
