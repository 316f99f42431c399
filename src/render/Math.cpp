// Row-vector, left-handed matrix helpers.
#include "render/Math.h"

#include <cmath>
#include <cstring>

Matrix4 Matrix4::Identity()
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1.0f;
    return r;
}

bool Matrix4::operator==(const Matrix4& o) const { return std::memcmp(m, o.m, sizeof m) == 0; }

namespace mlmath {

Matrix4 Multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}

Matrix4 Transpose(const Matrix4& a)
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}

Matrix4 Scaling(float x, float y, float z)
{
    Matrix4 r = Matrix4::Identity();
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

Matrix4 RotationX(float a)
{
    const float s = std::sin(a), c = std::cos(a);
    Matrix4 r = Matrix4::Identity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix4 RotationY(float a)
{
    const float s = std::sin(a), c = std::cos(a);
    Matrix4 r = Matrix4::Identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix4 RotationZ(float a)
{
    const float s = std::sin(a), c = std::cos(a);
    Matrix4 r = Matrix4::Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix4 Translation(float x, float y, float z)
{
    Matrix4 r = Matrix4::Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

namespace {
Float3 Sub(Float3 a, Float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float Dot(Float3 a, Float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Float3 Cross(Float3 a, Float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Float3 Normalize(Float3 a)
{
    const float len = std::sqrt(Dot(a, a));
    return len > 0.0f ? Float3{a.x / len, a.y / len, a.z / len} : a;
}
} // namespace

Matrix4 LookAtLH(Float3 eye, Float3 focus, Float3 up)
{
    const Float3 zaxis = Normalize(Sub(focus, eye));
    const Float3 xaxis = Normalize(Cross(up, zaxis));
    const Float3 yaxis = Cross(zaxis, xaxis);
    Matrix4 r{};
    r.m[0][0] = xaxis.x; r.m[0][1] = yaxis.x; r.m[0][2] = zaxis.x;
    r.m[1][0] = xaxis.y; r.m[1][1] = yaxis.y; r.m[1][2] = zaxis.y;
    r.m[2][0] = xaxis.z; r.m[2][1] = yaxis.z; r.m[2][2] = zaxis.z;
    r.m[3][0] = -Dot(xaxis, eye);
    r.m[3][1] = -Dot(yaxis, eye);
    r.m[3][2] = -Dot(zaxis, eye);
    r.m[3][3] = 1.0f;
    return r;
}

Matrix4 PerspectiveFovLH(double fovY, float aspect, float nearZ, float farZ)
{
    // In double, so a 90 degree field gives exactly h = 1 and w = 1 / aspect.
    const double h = 1.0 / std::tan(0.5 * fovY);
    const double w = h / static_cast<double>(aspect);
    const float q = farZ / (farZ - nearZ);
    Matrix4 r{};
    r.m[0][0] = static_cast<float>(w);
    r.m[1][1] = static_cast<float>(h);
    r.m[2][2] = q;
    r.m[2][3] = 1.0f;
    r.m[3][2] = -q * nearZ;
    return r;
}

Float3 TransformPoint(Float3 p, const Matrix4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

} // namespace mlmath
