// Walking assimp's node tree with accumulated transforms.
#include "SceneFlattener.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <sstream>
#include <vector>

namespace {

constexpr uint32_t kNone = UINT32_MAX;

struct Walk {
    const aiScene& scene;
    const std::string& only;
    bool byMesh = false; // only names meshes, not a node
    FlattenResult result;
    std::set<unsigned> noUVs;

    // Only vertices a triangle uses are kept: the others would still count for --centre and --unit.
    void AddMesh(const aiMesh& mesh, const aiMatrix4x4& world)
    {
        BakedMesh& out = result.mesh;
        const bool hasUVs = mesh.HasTextureCoords(0);
        std::vector<uint32_t> kept(mesh.mNumVertices, kNone);
        auto vertex = [&](unsigned v) {
            if (kept[v] == kNone) {
                kept[v] = static_cast<uint32_t>(out.positions.size());
                const aiVector3D p = world * mesh.mVertices[v];
                out.positions.push_back({p.x, p.y, p.z});
                const aiVector3D uv = hasUVs ? mesh.mTextureCoords[0][v] : aiVector3D();
                // A broken coordinate would end the player's number list early.
                out.texcoords.push_back({std::isfinite(uv.x) ? uv.x : 0.0f, std::isfinite(uv.y) ? uv.y : 0.0f});
            }
            return kept[v];
        };
        // A mirroring transform turns every face inside out; reversing the corners turns it back.
        const bool mirrored = world.Determinant() < 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) {
                ++result.skippedFaces;
                continue;
            }
            out.indices.push_back(vertex(face.mIndices[0]));
            out.indices.push_back(vertex(face.mIndices[mirrored ? 2 : 1]));
            out.indices.push_back(vertex(face.mIndices[mirrored ? 1 : 2]));
        }
    }

    void Visit(const aiNode& node, const aiMatrix4x4& parent, bool selected)
    {
        const aiMatrix4x4 world = parent * node.mTransformation;
        selected = selected || (!byMesh && !only.empty() && only == node.mName.C_Str());
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            const unsigned index = node.mMeshes[i];
            if (index >= scene.mNumMeshes)
                continue;
            const aiMesh& mesh = *scene.mMeshes[index];
            const bool take = only.empty() || (byMesh ? only == mesh.mName.C_Str() : selected);
            if (!take)
                continue;
            const size_t before = result.mesh.indices.size();
            AddMesh(mesh, world);
            if (!mesh.HasTextureCoords(0) && result.mesh.indices.size() > before)
                noUVs.insert(index);
        }
        for (unsigned c = 0; c < node.mNumChildren; ++c)
            Visit(*node.mChildren[c], world, selected);
    }
};

bool HasMeshNamed(const aiScene& scene, const std::string& name)
{
    for (unsigned i = 0; i < scene.mNumMeshes; ++i)
        if (name == scene.mMeshes[i]->mName.C_Str())
            return true;
    return false;
}

bool HasNodeNamed(const aiNode& node, const std::string& name)
{
    if (name == node.mName.C_Str())
        return true;
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        if (HasNodeNamed(*node.mChildren[c], name))
            return true;
    return false;
}

std::string Quoted(const aiString& name) { return "\"" + std::string(name.C_Str()) + "\""; }

void DescribeNode(const aiScene& scene, const aiNode& node, int depth, std::ostringstream& out)
{
    out << std::string(static_cast<size_t>(depth) * 2 + 2, ' ') << Quoted(node.mName);
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
        if (node.mMeshes[i] < scene.mNumMeshes)
            out << (i == 0 ? ": " : ", ") << Quoted(scene.mMeshes[node.mMeshes[i]]->mName);
    out << "\n";
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        DescribeNode(scene, *node.mChildren[c], depth + 1, out);
}

} // namespace

FlattenResult FlattenScene(const aiScene& scene, const std::string& only)
{
    Walk walk{scene, only, false, {}, {}};
    if (!only.empty()) {
        walk.byMesh = HasMeshNamed(scene, only);
        if (!walk.byMesh && !(scene.mRootNode && HasNodeNamed(*scene.mRootNode, only))) {
            walk.result.error = "no mesh or node is named \"" + only + "\" (--list shows the names)";
            return walk.result;
        }
    }
    if (scene.mRootNode)
        walk.Visit(*scene.mRootNode, aiMatrix4x4(), false);
    FlattenResult& result = walk.result;
    for (unsigned index : walk.noUVs) {
        const std::string name = scene.mMeshes[index]->mName.C_Str();
        result.meshesWithoutUVs.push_back(name.empty() ? "#" + std::to_string(index) : "\"" + name + "\"");
    }

    if (!result.mesh.PositionsFinite()) {
        result.error = "the model has positions that are not finite numbers";
        return result;
    }
    // The player reads indices as signed 32-bit numbers.
    if (result.mesh.positions.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        result.error = "the model has more vertices than an X3D index can name";
        return result;
    }
    if (result.mesh.indices.empty()) {
        result.error = only.empty() ? "the model holds no triangles" : "\"" + only + "\" holds no triangles";
        return result;
    }
    result.ok = true;
    return result;
}

std::string DescribeScene(const aiScene& scene)
{
    std::ostringstream out;
    out << "meshes:\n";
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[i];
        size_t triangles = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f)
            triangles += mesh.mFaces[f].mNumIndices == 3;
        out << "  " << Quoted(mesh.mName) << ": " << triangles << (triangles == 1 ? " triangle" : " triangles")
            << (mesh.HasTextureCoords(0) ? "" : ", no texture coordinates") << "\n";
    }
    out << "nodes:\n";
    if (scene.mRootNode)
        DescribeNode(scene, *scene.mRootNode, 0, out);
    return out.str();
}
