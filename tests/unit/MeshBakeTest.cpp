// The model converter: flattening a scene with its transforms, the change to
// the player's convention and the fitting options, X3D that the player's own
// loader reads back exactly, and the tool's command line.
#include "assets/X3DModel.h"
#include "meshbake/MeshAdjustments.h"
#include "meshbake/SceneFlattener.h"
#include "meshbake/X3DMeshWriter.h"
#include "support/TempDir.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <sys/wait.h>

namespace {

using Corner = std::array<float, 3>;

// A mesh of the given triangles (and one line face), with texture coordinates (x, y) when asked.
aiMesh* MakeMesh(const char* name, const std::vector<Corner>& corners, bool uvs)
{
    auto* mesh = new aiMesh;
    mesh->mName = name;
    mesh->mNumVertices = static_cast<unsigned>(corners.size()) + 1;
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    for (size_t i = 0; i < corners.size(); ++i)
        mesh->mVertices[i] = aiVector3D(corners[i][0], corners[i][1], corners[i][2]);
    mesh->mVertices[corners.size()] = aiVector3D(100, 100, 100); // only on the line
    if (uvs) {
        mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
        mesh->mNumUVComponents[0] = 2;
        for (unsigned i = 0; i < mesh->mNumVertices; ++i)
            mesh->mTextureCoords[0][i] = aiVector3D(mesh->mVertices[i].x, mesh->mVertices[i].y, 0);
    }
    mesh->mNumFaces = static_cast<unsigned>(corners.size() / 3) + 1;
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f + 1 < mesh->mNumFaces; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned[3]{f * 3, f * 3 + 1, f * 3 + 2};
    }
    aiFace& line = mesh->mFaces[mesh->mNumFaces - 1];
    line.mNumIndices = 2;
    line.mIndices = new unsigned[2]{0, mesh->mNumVertices - 1};
    return mesh;
}

aiNode* MakeNode(const char* name, aiNode* parent, const aiMatrix4x4& transform, std::vector<unsigned> meshes)
{
    auto* node = new aiNode(name);
    node->mTransformation = transform;
    node->mNumMeshes = static_cast<unsigned>(meshes.size());
    node->mMeshes = new unsigned[meshes.size() + 1];
    std::copy(meshes.begin(), meshes.end(), node->mMeshes);
    if (parent)
        parent->addChildren(1, &node);
    return node;
}

// Root > Arm (moved 10 along x) > Hand (scaled 2): the triangle "Tri". Root > Mirror (x
// scaled -1): "Tri" again and "Blade", which has no texture coordinates. "Wire" is lines only.
std::unique_ptr<aiScene> MakeScene()
{
    auto scene = std::make_unique<aiScene>();
    scene->mNumMeshes = 3;
    scene->mMeshes = new aiMesh*[3];
    scene->mMeshes[0] = MakeMesh("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, true);
    scene->mMeshes[1] = MakeMesh("Blade", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, false);
    scene->mMeshes[2] = MakeMesh("Wire", {}, false);
    scene->mRootNode = MakeNode("Root", nullptr, aiMatrix4x4(), {});
    aiMatrix4x4 move, scale, mirror;
    aiMatrix4x4::Translation(aiVector3D(10, 0, 0), move);
    aiMatrix4x4::Scaling(aiVector3D(2, 2, 2), scale);
    aiMatrix4x4::Scaling(aiVector3D(-1, 1, 1), mirror);
    aiNode* arm = MakeNode("Arm", scene->mRootNode, move, {});
    MakeNode("Hand", arm, scale, {0});
    MakeNode("Mirror", scene->mRootNode, mirror, {0, 1, 2});
    return scene;
}

std::vector<Corner> Triangle(const BakedMesh& mesh, size_t t)
{
    std::vector<Corner> corners;
    for (size_t k = 0; k < 3; ++k)
        corners.push_back(mesh.positions[mesh.indices[t * 3 + k]]);
    return corners;
}

// Twice the signed area in the xy plane: positive when the corners run counter-clockwise with y up.
float Turn(const std::vector<Corner>& c)
{
    return (c[1][0] - c[0][0]) * (c[2][1] - c[0][1]) - (c[2][0] - c[0][0]) * (c[1][1] - c[0][1]);
}

int RunBaker(const std::string& args, std::string* errors = nullptr)
{
    const std::string errFile = testing::TempDir() + "/ml_meshbake_" + std::to_string(::getpid()) + ".err";
    const std::string command = std::string("'") + ML_MESHBAKE_PATH + "' " + args + " 2>'" + errFile + "'";
    const int status = std::system(command.c_str());
    if (errors) {
        std::ifstream in(errFile);
        *errors = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

} // namespace

TEST(MeshBake, FlattensEveryReferenceWithItsTransforms)
{
    const auto scene = MakeScene();
    FlattenResult all = FlattenScene(*scene, "");
    ASSERT_TRUE(all.ok) << all.error;
    ASSERT_EQ(all.mesh.TriangleCount(), 3u);
    // Only corners of triangles are kept: the point used by the lines alone is not.
    EXPECT_EQ(all.mesh.positions.size(), 9u);
    EXPECT_EQ(all.skippedFaces, 4u);
    EXPECT_EQ(all.meshesWithoutUVs, std::vector<std::string>{"\"Blade\""});
    // The hand: scaled by 2, then moved by the arm.
    EXPECT_EQ(Triangle(all.mesh, 0), (std::vector<Corner>{{10, 0, 0}, {12, 0, 0}, {10, 2, 0}}));
    EXPECT_EQ(all.mesh.texcoords[all.mesh.indices[1]], (std::array<float, 2>{1, 0}));
    // The mirrored copy keeps facing the same way: its corners are reversed.
    EXPECT_GT(Turn(Triangle(all.mesh, 0)), 0.0f);
    EXPECT_GT(Turn(Triangle(all.mesh, 1)), 0.0f);
    EXPECT_EQ(Triangle(all.mesh, 2)[0], (Corner{0, 0, 1}));
    EXPECT_EQ(all.mesh.texcoords[all.mesh.indices[6]], (std::array<float, 2>{0, 0}));

    // One mesh by name, wherever it is used; a node by name with what is below it.
    FlattenResult blade = FlattenScene(*scene, "Blade");
    ASSERT_TRUE(blade.ok) << blade.error;
    EXPECT_EQ(blade.mesh.TriangleCount(), 1u);
    EXPECT_EQ(FlattenScene(*scene, "Tri").mesh.TriangleCount(), 2u);
    FlattenResult arm = FlattenScene(*scene, "Arm");
    ASSERT_TRUE(arm.ok);
    EXPECT_EQ(Triangle(arm.mesh, 0)[1], (Corner{12, 0, 0}));
    FlattenResult missing = FlattenScene(*scene, "Leg");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("\"Leg\""), std::string::npos);
    FlattenResult wire = FlattenScene(*scene, "Wire");
    EXPECT_FALSE(wire.ok);
    EXPECT_NE(wire.error.find("no triangles"), std::string::npos);
    EXPECT_NE(DescribeScene(*scene).find("\"Mirror\": \"Tri\", \"Blade\", \"Wire\""), std::string::npos);
}

TEST(MeshBake, PlayerConventionAndFitting)
{
    // Counter-clockwise seen from +z, the viewer's side in a right-handed file, half a unit towards the viewer.
    BakedMesh mesh;
    mesh.positions = {{1, 2, 0.5f}, {5, 2, 0.5f}, {1, 4, 0.5f}};
    mesh.texcoords = {{0, 0.25f}, {1, 0.25f}, {0, 1}};
    mesh.indices = {0, 1, 2};
    ToPlayerConvention(mesh);
    // Still towards the viewer, who looks along +z from z = -1, and clockwise as the viewer sees it.
    EXPECT_EQ(Triangle(mesh, 0)[0][2], -0.5f);
    EXPECT_LT(Turn(Triangle(mesh, 0)), 0.0f);

    CentreMesh(mesh);
    ScaleToUnit(mesh);
    EXPECT_EQ(mesh.positions[0], (Corner{-0.5f, -0.25f, 0}));
    EXPECT_FALSE(std::signbit(mesh.positions[0][2]));
    EXPECT_EQ(mesh.positions[1], (Corner{0.5f, -0.25f, 0}));
    FlipV(mesh);
    EXPECT_EQ(mesh.texcoords[0], (std::array<float, 2>{0, 0.75f}));

    // A model as wide as floats go still centres and fits.
    BakedMesh huge;
    huge.positions = {{-3e38f, 2e38f, 0}, {3e38f, 3e38f, 0}, {3e38f, 2e38f, 0}};
    CentreMesh(huge);
    ScaleToUnit(huge);
    ASSERT_TRUE(huge.PositionsFinite());
    EXPECT_FLOAT_EQ(huge.positions[0][0], -0.5f);
    EXPECT_FLOAT_EQ(huge.positions[1][1], 1.0f / 12.0f);
}

TEST(MeshBake, X3DReadsBackExactlyThroughThePlayersLoader)
{
    BakedMesh mesh;
    const float awkward[] = {0.1f, 1.0f / 3.0f, -123456.789f, 1e-7f, 3.4e38f, -0.0f, 2.5e-40f};
    for (int t = 0; t < 20; ++t) {
        for (int k = 0; k < 3; ++k) {
            const float a = awkward[static_cast<size_t>(t + k) % 7];
            mesh.positions.push_back({a, static_cast<float>(t), -a});
            mesh.texcoords.push_back({a, 0.125f * static_cast<float>(k)});
            mesh.indices.push_back(static_cast<uint32_t>(t * 3 + (2 - k)));
        }
    }
    TempDir dir;
    const std::string path = (dir.Path() / "out.x3d").string();
    ASSERT_TRUE(WriteX3DFile(mesh, path));
    ModelMesh loaded;
    std::string error;
    ASSERT_TRUE(LoadX3DModel(path, loaded, error)) << error;
    ASSERT_EQ(loaded.vertices.size(), mesh.indices.size());
    for (size_t i = 0; i < mesh.indices.size(); ++i) {
        const auto& p = mesh.positions[mesh.indices[i]];
        const auto& t = mesh.texcoords[mesh.indices[i]];
        const ModelVertex& v = loaded.vertices[i];
        for (int a = 0; a < 3; ++a) {
            const float want = std::fpclassify(p[a]) == FP_SUBNORMAL ? 0.0f : p[a];
            EXPECT_EQ(v.position[a], want) << "vertex " << i;
        }
        EXPECT_EQ(v.texcoord[0], std::fpclassify(t[0]) == FP_SUBNORMAL ? 0.0f : t[0]) << "vertex " << i;
        EXPECT_EQ(v.texcoord[1], 1.0f - t[1]) << "vertex " << i;
    }
    EXPECT_FALSE(WriteX3DFile(mesh, (dir.Path() / "missing" / "out.x3d").string()));
}

TEST(MeshBake, CommandLine)
{
    TempDir dir;
    dir.Write("lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n");
    dir.Write("a.wrl", "#VRML V2.0 utf8\nShape {}\n");
    dir.Write("big.obj", "v 0 0 0\nv 1e10 0 0\nv 0 1 0\nf 1 2 3\n");
    const auto out = dir.Path() / "out.x3d";
    const struct {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"", 2, "usage:"},
        {"--scale 0 a.obj b.x3d", 2, "--scale"},
        {"--mesh", 2, "--mesh needs a value"},
        {Quote(dir.Path() / "none.obj") + " " + Quote(out), 1, "cannot open"},
        {Quote(dir.Path() / "lines.obj") + " " + Quote(out), 1, "no triangles"},
        {Quote(dir.Path() / "a.wrl") + " " + Quote(out), 1, "X3D in its XML encoding"},
        {"--scale 1e30 " + Quote(dir.Path() / "big.obj") + " " + Quote(out), 1, "too large"},
    };
    std::string errors;
    for (const auto& c : cases) {
        EXPECT_EQ(RunBaker(c.args, &errors), c.status) << c.args;
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
    }

    // A gzip-compressed X3D file, read through its transform.
    const std::string x3d =
        "<?xml version=\"1.0\"?><X3D><Scene><Transform translation=\"1 2 3\"><Shape>"
        "<IndexedFaceSet coordIndex=\"0 1 2 -1\"><Coordinate point=\"0 0 0 1 0 0 0 1 0\"/></IndexedFaceSet>"
        "</Shape></Transform></Scene></X3D>";
    const std::string packed = (dir.Path() / "model.x3dz").string();
    gzFile gz = gzopen(packed.c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    ASSERT_EQ(gzwrite(gz, x3d.data(), static_cast<unsigned>(x3d.size())), static_cast<int>(x3d.size()));
    ASSERT_EQ(gzclose(gz), Z_OK);
    ASSERT_EQ(RunBaker(Quote(packed) + " " + Quote(out), &errors), 0) << errors;
    EXPECT_NE(errors.find("no texture coordinates"), std::string::npos) << errors;
    ModelMesh loaded;
    std::string error;
    ASSERT_TRUE(LoadX3DModel(out.string(), loaded, error)) << error;
    ASSERT_EQ(loaded.vertices.size(), 3u);
    EXPECT_EQ(loaded.vertices[0].position[0], 1.0f);
    EXPECT_EQ(loaded.vertices[0].position[2], -3.0f);
    EXPECT_EQ(RunBaker(Quote(packed) + " " + Quote(dir.Path() / "no" / "out.x3d"), &errors), 1);
    EXPECT_NE(errors.find("cannot write"), std::string::npos) << errors;
}
