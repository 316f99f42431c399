// Convention change and fitting, on positions and texture coordinates in place.
#include "MeshAdjustments.h"

#include <algorithm>
#include <utility>

namespace {
struct Box {
    std::array<float, 3> low{}, high{};
};

Box Bounds(const BakedMesh& mesh)
{
    Box box;
    if (mesh.positions.empty())
        return box;
    box.low = box.high = mesh.positions.front();
    for (const auto& p : mesh.positions) {
        for (int a = 0; a < 3; ++a) {
            box.low[a] = std::min(box.low[a], p[a]);
            box.high[a] = std::max(box.high[a], p[a]);
        }
    }
    return box;
}
} // namespace

void ToPlayerConvention(BakedMesh& mesh)
{
    for (auto& p : mesh.positions)
        p[2] = 0.0f - p[2]; // not -p[2]: no "-0" in the file
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
        std::swap(mesh.indices[t + 1], mesh.indices[t + 2]);
}

void CentreMesh(BakedMesh& mesh)
{
    const Box box = Bounds(mesh);
    for (auto& p : mesh.positions)
        for (int a = 0; a < 3; ++a)
            p[a] -= box.low[a] * 0.5f + box.high[a] * 0.5f; // halves first: the sum may not fit a float
}

void ScaleToUnit(BakedMesh& mesh)
{
    const Box box = Bounds(mesh);
    // In double: a box wider than the largest float still has a size.
    double longest = 0.0;
    for (int a = 0; a < 3; ++a)
        longest = std::max(longest, static_cast<double>(box.high[a]) - box.low[a]);
    // A mesh whose corners all coincide has no size to scale to.
    if (longest > 0.0)
        ScaleMesh(mesh, static_cast<float>(1.0 / longest));
}

void ScaleMesh(BakedMesh& mesh, float factor)
{
    for (auto& p : mesh.positions)
        for (float& c : p)
            c *= factor;
}

void FlipV(BakedMesh& mesh)
{
    for (auto& t : mesh.texcoords)
        t[1] = 1.0f - t[1];
}
