// X3D loading: the element path, number lists, face triangulation and the
// mended out-of-range indices. (The unit quad shows in the scene pictures.)
#include "assets/X3DDocument.h"
#include "assets/X3DModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// Points i = (i, 10 + i, 20 + i) for i < 8; texture point 0 is (0.25, 0.75), point i > 0 is (i, 0).
const char* kPoints = "0 10 20 1 11 21 2 12 22 3 13 23 4 14 24 5 15 25 6 16 26 7 17 27";
const char* kTexPoints = "0.25 0.75 1 0 2 0 3 0 4 0 5 0 6 0 7 0";

std::string Shape(const std::string& faceSetAttributes, const std::string& faceSetBody)
{
    return "<?xml version=\"1.0\"?>\n<X3D><Scene><Transform translation=\"5 5 5\"><Transform><Group><Shape>"
           "<Appearance><Material/></Appearance><IndexedFaceSet " + faceSetAttributes + ">" + faceSetBody +
           "</IndexedFaceSet></Shape></Group></Transform></Transform></Scene></X3D>\n";
}

std::string Mesh(const std::string& coordIndex, const std::string& texIndex, const std::string& points = kPoints)
{
    return Shape("coordIndex=\"" + coordIndex + "\" texCoordIndex=\"" + texIndex + "\"",
                 "<Coordinate point=\"" + points + "\"/><TextureCoordinate point=\"" + kTexPoints + "\"/>");
}

struct Loaded {
    bool ok;
    ModelMesh mesh;
    std::string error;
};

Loaded Load(const std::string& text)
{
    // One name per process: tests run in parallel, each in its own process.
    const std::filesystem::path path =
        std::filesystem::path(testing::TempDir()) / ("ml_x3d_test_" + std::to_string(::getpid()) + ".x3d");
    std::ofstream(path) << text;
    Loaded l;
    l.ok = LoadX3DModel(path.string(), l.mesh, l.error);
    std::filesystem::remove(path);
    return l;
}

// Which file point each vertex took (its x), in vertex order.
std::vector<int> Corners(const ModelMesh& mesh)
{
    std::vector<int> corners;
    for (const ModelVertex& v : mesh.vertices)
        corners.push_back(int(v.position[0]));
    return corners;
}

} // namespace

TEST(X3DModel, TriangulatesFacesAsThePlayerAlwaysHas)
{
    const struct {
        const char* what;
        std::string coordIndex, texIndex;
        std::vector<int> corners;
    } cases[] = {
        {"triangle", "0 1 2 -1", "0 1 2 -1", {0, 1, 2}},
        {"quad split on 0-2", "0 1 2 3 -1", "0 1 2 3 -1", {0, 1, 2, 0, 2, 3}},
        {"pentagon keeps its first triangle", "0 1 2 3 4 -1", "0 1 2 3 4 -1", {0, 1, 2}},
        {"octagon remainder is a face", "0 1 2 3 4 5 6 7 -1", "0 1 2 3 4 5 6 7 -1", {0, 1, 2, 5, 6, 7}},
        {"faces of one or two corners add nothing", "0 -1 0 1 -1 4 5 6 -1", "0 -1 0 1 -1 4 5 6 -1", {4, 5, 6}},
        {"unterminated last face is dropped", "0 1 2 -1 3 4 5", "0 1 2 -1 3 4 5", {0, 1, 2}},
        {"shorter texture list ends the faces", "0 1 2 -1 3 4 5 -1", "0 1 2 -1 3 4", {0, 1, 2}},
        {"a leading + is a number", "+0 1 2 -1", "0 +1 2 -1", {0, 1, 2}},
        {"a malformed token ends the list", "0 1 2 -1 3 4 5 -1 x 5 6 7 -1", "0 1 2 -1 3 4 5 -1 0 1 2 -1",
         {0, 1, 2, 3, 4, 5}},
        // Indices outside their lists skip just that face (never read outside).
        {"negative corner", "0 1 2 -1 0 -5 2 -1", "0 1 2 -1 0 1 2 -1", {0, 1, 2}},
        {"corner past the points", "8 1 2 -1 0 1 2 -1", "0 1 2 -1 0 1 2 -1", {0, 1, 2}},
        {"texture index past its list", "0 1 2 3 -1 4 5 6 -1", "0 1 2 8 -1 4 5 6 -1", {4, 5, 6}},
        {"stray -1 texture index", "0 1 2 -1 3 4 5 -1", "0 -1 2 -1 3 4 5 -1", {3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded l = Load(Mesh(c.coordIndex, c.texIndex));
        ASSERT_TRUE(l.ok) << l.error;
        EXPECT_EQ(Corners(l.mesh), c.corners);
        ASSERT_EQ(l.mesh.indices.size(), l.mesh.vertices.size());
        for (size_t i = 0; i < l.mesh.indices.size(); ++i)
            EXPECT_EQ(l.mesh.indices[i], i);
    }
}

TEST(X3DModel, VerticesTakePointsAsWrittenWithVFlipped)
{
    const Loaded l = Load(Mesh("3 1 2 -1", "0 3 1 -1"));
    ASSERT_TRUE(l.ok) << l.error;
    ASSERT_EQ(l.mesh.vertices.size(), 3u);
    auto fields = [](const ModelVertex& v) {
        const float* p = v.position;
        const float* c = v.colour;
        return std::vector<float>{p[0], p[1], p[2], c[0], c[1], c[2], c[3], v.texcoord[0], v.texcoord[1]};
    };
    // The outer Transform's translation has no effect; colour is always white.
    EXPECT_EQ(fields(l.mesh.vertices[0]), (std::vector<float>{3, 13, 23, 1, 1, 1, 1, 0.25f, 0.25f}));
    EXPECT_EQ(fields(l.mesh.vertices[1]), (std::vector<float>{1, 11, 21, 1, 1, 1, 1, 3, 1}));
}

TEST(X3DModel, FailsWithoutTheShapeItsListsOrAnyTriangle)
{
    const std::string lists = "coordIndex=\"0 1 2 -1\" texCoordIndex=\"0 1 2 -1\"";
    const std::string coord = std::string("<Coordinate point=\"") + kPoints + "\"/>";
    const std::string tex = std::string("<TextureCoordinate point=\"") + kTexPoints + "\"/>";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"root is not X3D", "<Scene/>"},
        {"one Transform only", "<X3D><Scene><Transform><Group><Shape><IndexedFaceSet " + lists + ">" + coord + tex +
                                   "</IndexedFaceSet></Shape></Group></Transform></Scene></X3D>"},
        {"not well-formed", Shape(lists, coord + tex).substr(0, 120)},
        {"TextureCoordinate before Coordinate", Shape(lists, tex + coord)},
        {"no TextureCoordinate", Shape(lists, coord)},
        {"no coordIndex", Shape("texCoordIndex=\"0 1 2 -1\"", coord + tex)},
        {"no texCoordIndex", Shape("coordIndex=\"0 1 2 -1\"", coord + tex)},
        {"no point on Coordinate", Shape(lists, "<Coordinate/>" + tex)},
        {"no point on TextureCoordinate", Shape(lists, coord + "<TextureCoordinate/>")},
        {"comma-separated points: no whole position", Mesh("0 1 2 -1", "0 1 2 -1", "1, 2, 3, 4, 5, 6")},
        {"no face of three corners", Mesh("0 1 -1", "0 1 -1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded l = Load(c.text);
        EXPECT_FALSE(l.ok);
        EXPECT_FALSE(l.error.empty());
        EXPECT_TRUE(l.mesh.vertices.empty());
    }
    ModelMesh mesh;
    std::string error;
    EXPECT_FALSE(LoadX3DModel("Data\\Models\\Missing.x3d", mesh, error));
}

// Files a user is handed: each refused with a message that says what the file is,
// and none reaches the XML parser in a form it cannot take safely.
TEST(X3DModel, RefusesWhatIsNotXmlOrNotSafeToParseAndSaysWhy)
{
    const std::string lists = "coordIndex=\"0 1 2 -1\" texCoordIndex=\"0 1 2 -1\"";
    const std::string faceSet = "<IndexedFaceSet " + lists + "><Coordinate point=\"" + kPoints +
                                "\"/><TextureCoordinate point=\"" + kTexPoints + "\"/></IndexedFaceSet>";
    std::string deep = "<X3D>";
    for (int i = 0; i < 40000; ++i)
        deep += "<a>";
    std::string manyAttributes = "<X3D";
    for (int i = 0; i < 300; ++i)
        manyAttributes += " a" + std::to_string(i) + "=\"\"";
    const struct {
        const char* what;
        std::string text;
        const char* says;
    } cases[] = {
        {"empty", "", "empty"},
        {"gzip", std::string("\x1F\x8B\x08\x00\x00\x00", 6), "gzip-compressed"},
        {"binary", std::string("glTF\x02\x00\x00\x00", 8), "binary file"},
        {"UTF-16", "\xFF\xFE<\0X\0", "UTF-16"},
        {"classic encoding", "#X3D V3.0 utf8\nPROFILE Immersive\n", "classic encoding"},
        {"VRML", "#VRML V2.0 utf8\n", "VRML"},
        {"OBJ", "v 0 0 0\nv 1 0 0\nf 1 2 3\n", "not an XML file"},
        {"truncated UTF-8 in a value", "<?xml><X p=\"\xD1", "not UTF-8 (byte 0xD1 at line 1)"},
        {"40,000 nested elements", deep, "nested more than 256 deep (line 1)"},
        // The parser takes white space before an end tag's '>' and goes on; so must the walk.
        {"deep after a spaced end tag", "<X3D><head></head\n>" + deep.substr(5), "nested more than 256 deep (line 2)"},
        {"300 attributes", manyAttributes + "/>", "more than 256 attributes"},
        {"unterminated comment", "<X3D><!-- no end", "not well-formed"},
        {"unterminated CDATA", "<X3D><![CDATA[ no end", "not well-formed"},
        {"another root", "<COLLADA><Shape/></COLLADA>", "not an X3D file (its root element is <COLLADA>)"},
        {"no shape", "<X3D><Scene/></X3D>", "has no Shape"},
        {"shape off the path", "<X3D>\n<Scene>\n<Transform>\n<Shape>" + faceSet + "</Shape></Transform></Scene></X3D>",
         "first Shape is at X3D/Scene/Transform/Shape (line 4): convert it with ml-meshbake"},
        {"another geometry", "<X3D><Scene><Transform><Transform><Group><Shape><Appearance/><IndexedTriangleSet/>"
                             "</Shape></Group></Transform></Transform></Scene></X3D>",
         "holds no IndexedFaceSet (it holds <IndexedTriangleSet>)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded l = Load(c.text);
        EXPECT_FALSE(l.ok);
        EXPECT_NE(l.error.find(c.says), std::string::npos) << l.error;
    }

    // A declared single-byte encoding is read as such; CR LF line ends count as one.
    const Loaded latin1 = Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<!-- caf\xE9 -->\r\n" +
                               Mesh("0 1 2 -1", "0 1 2 -1").substr(22));
    EXPECT_TRUE(latin1.ok) << latin1.error;
}

TEST(X3DModel, TrianglesAndFileSizeAreBounded)
{
    // Five quads and a triangle: eleven triangles, one more than the bound.
    const std::string faces = "0 1 2 3 -1 0 1 2 3 -1 0 1 2 3 -1 0 1 2 3 -1 0 1 2 3 -1 ";
    ModelMesh mesh;
    std::string error;
    EXPECT_TRUE(ParseX3DModel(Mesh(faces, faces), mesh, error, 10)) << error;
    EXPECT_EQ(mesh.vertices.size(), 30u);
    EXPECT_FALSE(ParseX3DModel(Mesh(faces + "0 1 2 -1", faces + "0 1 2 -1"), mesh, error, 10));
    EXPECT_EQ(error, "more than 10 triangles");
    EXPECT_TRUE(mesh.vertices.empty());

    // Refused by its size before a byte is read (the file is sparse).
    const auto big = std::filesystem::path(testing::TempDir()) / ("ml_x3d_big_" + std::to_string(::getpid()) + ".x3d");
    std::ofstream(big) << "<X3D>";
    std::filesystem::resize_file(big, kMaxX3DFileBytes + 1);
    EXPECT_FALSE(LoadX3DModel(big.string(), mesh, error));
    EXPECT_NE(error.find("more than the 64 MiB"), std::string::npos) << error;
    std::filesystem::remove(big);
}
