// Models from other tools, end to end: an OBJ and a glTF file written here are
// converted by ml-meshbake and drawn by the player, each where its transforms
// and the player's convention put it, its texture coordinates the right way up.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include <cmath>

namespace {

std::string Base64(const std::string& bytes)
{
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t have = std::min<size_t>(3, bytes.size() - i);
        uint32_t n = 0;
        for (size_t k = 0; k < 3; ++k)
            n = n << 8 | (k < have ? static_cast<uint8_t>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            out += k <= have ? kDigits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

template <typename T>
void Put(std::string& buffer, std::initializer_list<T> values)
{
    for (T v : values)
        buffer.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// A unit square from (0, 0) to (1, 1) facing +z, its image's top-left corner at its top left
// (glTF's texture origin), inside two nodes: "Stand" moves it by (-0.75, -0.25, 0.5) and
// "Panel" scales it by 0.5.
std::string Gltf()
{
    std::string data;
    Put<float>(data, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    Put<float>(data, {0, 1, 1, 1, 1, 0, 0, 0});
    Put<uint16_t>(data, {0, 1, 2, 0, 2, 3});
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
  "nodes": [{"name": "Stand", "translation": [-0.75, -0.25, 0.5], "children": [1]},
            {"name": "Panel", "scale": [0.5, 0.5, 0.5], "mesh": 0}],
  "meshes": [{"name": "Square", "primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2}]}],
  "buffers": [{"byteLength": 92, "uri": "data:application/octet-stream;base64,)" +
           Base64(data) + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 32},
                  {"buffer": 0, "byteOffset": 80, "byteLength": 12}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
                {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
                {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"}]})";
}

// The same square in OBJ, texture origin at the bottom left, untransformed.
const char* const kObj = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                         "f 1/1 2/2 3/3 4/4\n";

int Bake(const std::string& in, const std::string& out)
{
    const std::string command = std::string("'") + ML_MESHBAKE_PATH + "' '" + in + "' '" + out + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The colour the texcoord material gives the pixel at (column, row) of the 64x36 frame
// when a square of side `side` from (x0, y0) lies at depth d in front of the camera:
// red is u, green v, with v = 0 at the image's top.
std::array<int, 3> Expected(int column, int row, float x0, float y0, float side, float d)
{
    const float x = ((column + 0.5f) / 32.0f - 1.0f) * (16.0f / 9.0f) * d;
    const float y = (1.0f - (row + 0.5f) / 18.0f) * d;
    const float u = (x - x0) / side;
    const float v = 1.0f - (y - y0) / side;
    if (u < 0 || u > 1 || v < 0 || v > 1)
        return {0, 0, 0};
    return {static_cast<int>(std::lround(u * 255)), static_cast<int>(std::lround(v * 255)), 0};
}

} // namespace

TEST(MeshBake, ObjAndGltfDrawWhereTheirAuthorsPutThem)
{
    TempDir scratch;
    const std::string dir = CopyProduction("meshbake", scratch.Path());
    scratch.Write("productions/meshbake/Square.obj", kObj);
    scratch.Write("productions/meshbake/Stand.gltf", Gltf());
    ASSERT_EQ(Bake(dir + "/Square.obj", dir + "/Square.x3d"), 0);
    ASSERT_EQ(Bake(dir + "/Stand.gltf", dir + "/Stand.x3d"), 0);

    const ProductionRun run = RunProductionAt(dir, {8});
    ASSERT_EQ(run.status, 0);
    EXPECT_FALSE(run.Reported("model")) << run.reports.front();
    const Image& frame = run.images.at(8);
    // The OBJ square at depth 1 fills columns 32 to 49 and rows 0 to 17: red at its top
    // right, yellow at its bottom right, green at its bottom left. The glTF square comes
    // out half the size at (-0.75, -0.25), half a unit nearer the camera (z = 0.5 towards
    // the viewer of a right-handed file): columns 5 to 22, rows 9 to 26.
    struct Probe {
        int column, row;
        float x0, y0, side, d;
    };
    const Probe probes[] = {
        {49, 0, 0, 0, 1, 1},    {49, 17, 0, 0, 1, 1},   {33, 17, 0, 0, 1, 1},  {40, 9, 0, 0, 1, 1},
        {31, 9, 0, 0, 1, 1},    {50, 9, 0, 0, 1, 1},    {40, 18, 0, 0, 1, 1},
        {22, 9, -0.75f, -0.25f, 0.5f, 0.5f}, {22, 26, -0.75f, -0.25f, 0.5f, 0.5f},
        {6, 26, -0.75f, -0.25f, 0.5f, 0.5f}, {14, 18, -0.75f, -0.25f, 0.5f, 0.5f},
        {4, 18, -0.75f, -0.25f, 0.5f, 0.5f}, {14, 8, -0.75f, -0.25f, 0.5f, 0.5f},
        {14, 27, -0.75f, -0.25f, 0.5f, 0.5f},
    };
    for (const Probe& p : probes) {
        const auto want = Expected(p.column, p.row, p.x0, p.y0, p.side, p.d);
        EXPECT_TRUE(Near(frame.At(p.column, p.row), want, 3)) << "pixel (" << p.column << ", " << p.row << ")";
    }
}
