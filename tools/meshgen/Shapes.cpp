// The showcase's shapes, built face by face. Faces are turned towards their
// outward side by Mesh::AddFace, so no shape has to get its winding right by hand.
#include "Shapes.h"

#include <cmath>

namespace {

constexpr float kTau = 6.28318530718f;

Vec3 Sub(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Ring(float radius, float y, float turn)
{
    return {radius * std::cos(turn * kTau), y, radius * std::sin(turn * kTau)};
}

void Torus(Mesh& mesh)
{
    constexpr int kAround = 64, kAcross = 24;
    constexpr float kMajor = 0.55f, kMinor = 0.22f;
    auto point = [](int i, int j) {
        const float a = kTau * static_cast<float>(i) / kAround, b = kTau * static_cast<float>(j) / kAcross;
        const float r = kMajor + kMinor * std::cos(b);
        return Vec3{r * std::cos(a), r * std::sin(a), kMinor * std::sin(b)};
    };
    for (int i = 0; i < kAround; ++i) {
        for (int j = 0; j < kAcross; ++j) {
            std::vector<std::array<int, 2>> corners;
            for (auto [di, dj] : {std::array{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                corners.push_back({mesh.AddPoint(point(i + di, j + dj)),
                                   mesh.AddTexcoord(static_cast<float>(i + di) / kAround,
                                                    static_cast<float>(j + dj) / kAcross)});
            }
            const float a = kTau * (static_cast<float>(i) + 0.5f) / kAround;
            const Vec3 tube{kMajor * std::cos(a), kMajor * std::sin(a), 0.0f};
            const Vec3 centre = point(i, j);
            mesh.AddFace(corners, Sub(centre, tube));
        }
    }
}

void Gem(Mesh& mesh)
{
    constexpr int kSides = 16;
    constexpr float kTop = 0.42f, kCulet = -0.78f;
    // Rings from the table's edge down to the girdle's lower edge: radius, height.
    constexpr float kRings[3][2] = {{0.32f, kTop}, {0.62f, 0.12f}, {0.62f, 0.02f}};
    auto corner = [&mesh](Vec3 p, float hue) {
        return std::array<int, 2>{mesh.AddPoint(p),
                                  mesh.AddTexcoord(hue, (p.y - kCulet) / (kTop - kCulet))};
    };
    for (int k = 0; k < kSides; ++k) {
        const float t0 = static_cast<float>(k) / kSides, t1 = static_cast<float>(k + 1) / kSides;
        const float mid = (t0 + t1) * 0.5f;
        // Table: a fan about the centre.
        const Vec3 a0 = Ring(kRings[0][0], kTop, t0), a1 = Ring(kRings[0][0], kTop, t1);
        mesh.AddFace({corner({0.0f, kTop, 0.0f}, mid), corner(a0, t0), corner(a1, t1)}, {0.0f, 1.0f, 0.0f});
        // Crown and girdle: quads between rings.
        for (int r = 0; r + 1 < 3; ++r) {
            const Vec3 p0 = Ring(kRings[r][0], kRings[r][1], t0), p1 = Ring(kRings[r][0], kRings[r][1], t1);
            const Vec3 q0 = Ring(kRings[r + 1][0], kRings[r + 1][1], t0);
            const Vec3 q1 = Ring(kRings[r + 1][0], kRings[r + 1][1], t1);
            const Vec3 outward = Ring(1.0f, r == 0 ? 0.6f : 0.0f, mid);
            mesh.AddFace({corner(p0, t0), corner(p1, t1), corner(q1, t1), corner(q0, t0)}, outward);
        }
        // Pavilion: down to the culet.
        const Vec3 g0 = Ring(kRings[2][0], kRings[2][1], t0), g1 = Ring(kRings[2][0], kRings[2][1], t1);
        mesh.AddFace({corner(g0, t0), corner(g1, t1), corner({0.0f, kCulet, 0.0f}, mid)}, Ring(1.0f, -0.8f, mid));
    }
}

void Tunnel(Mesh& mesh)
{
    constexpr int kAround = 32, kAlong = 40;
    constexpr float kNear = -2.0f, kFar = 38.0f;
    auto point = [](int i, int j) {
        const float a = kTau * static_cast<float>(i) / kAround;
        return Vec3{std::cos(a), std::sin(a), kNear + (kFar - kNear) * static_cast<float>(j) / kAlong};
    };
    for (int i = 0; i < kAround; ++i) {
        for (int j = 0; j < kAlong; ++j) {
            std::vector<std::array<int, 2>> corners;
            for (auto [di, dj] : {std::array{0, 0}, {1, 0}, {1, 1}, {0, 1}})
                corners.push_back({mesh.AddPoint(point(i + di, j + dj)),
                                   mesh.AddTexcoord(static_cast<float>(i + di) / kAround,
                                                    static_cast<float>(j + dj) / kAlong)});
            const Vec3 p = point(i, j);
            mesh.AddFace(corners, {-p.x, -p.y, 0.0f}); // seen from inside
        }
    }
}

} // namespace

int Mesh::AddPoint(Vec3 p)
{
    points.push_back(p);
    return static_cast<int>(points.size()) - 1;
}

int Mesh::AddTexcoord(float u, float v)
{
    texcoords.push_back({u, v});
    return static_cast<int>(texcoords.size()) - 1;
}

void Mesh::AddFace(std::vector<std::array<int, 2>> corners, Vec3 outward)
{
    // Clockwise as seen from the outward side (left-handed, y up) means the
    // cross product of the first two edges points outward.
    const Vec3 a = points[static_cast<size_t>(corners[0][0])];
    const Vec3 b = points[static_cast<size_t>(corners[1][0])];
    const Vec3 c = points[static_cast<size_t>(corners[2][0])];
    if (Dot(Cross(Sub(b, a), Sub(c, a)), outward) < 0.0f)
        std::swap(corners[1], corners[corners.size() - 1]);
    Face face;
    face.corners = static_cast<int>(corners.size());
    for (size_t k = 0; k < corners.size(); ++k) {
        face.point[k] = corners[k][0];
        face.texture[k] = corners[k][1];
    }
    faces.push_back(face);
}

bool BuildShape(const std::string& name, Mesh& mesh)
{
    if (name == "torus")
        Torus(mesh);
    else if (name == "gem")
        Gem(mesh);
    else if (name == "tunnel")
        Tunnel(mesh);
    else
        return false;
    return true;
}
