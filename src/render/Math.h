// Matrix math in the row-vector, left-handed convention of the scene:
// a point maps as p * M and world = local * parent. Single precision, as the
// productions were authored against. Small enough to keep our own rather than
// bending a column-vector library to this convention.
#pragma once
#include <array>

struct Float3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct alignas(16) Matrix4 {
    float m[4][4];

    static Matrix4 Identity();
    bool operator==(const Matrix4& o) const;
};

namespace mlmath {

constexpr float kDegToRad = 0.017453292f; // the float nearest pi/180

Matrix4 Multiply(const Matrix4& a, const Matrix4& b); // a * b
Matrix4 Transpose(const Matrix4& a);
Matrix4 Scaling(float x, float y, float z);
Matrix4 RotationX(float radians);
Matrix4 RotationY(float radians);
Matrix4 RotationZ(float radians);
Matrix4 Translation(float x, float y, float z);
Matrix4 LookAtLH(Float3 eye, Float3 focus, Float3 up);
// fovY in double so that a right-angle field gives h = 1 exactly.
Matrix4 PerspectiveFovLH(double fovY, float aspect, float nearZ, float farZ);
// The point (x, y, z, 1) times m, divided by nothing (affine use).
Float3 TransformPoint(Float3 p, const Matrix4& m);

} // namespace mlmath
