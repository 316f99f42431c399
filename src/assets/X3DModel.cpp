// X3D subset reader: TinyXML builds the document, the number lists are read
// in place with from_chars (no allocation per number), and faces are cut into
// triangles the way the player always has: up to five corners per face, the
// first triangle of each, the second only for quads.
#include "assets/X3DModel.h"

#include "assets/FilePath.h"

#include <charconv>
#include <tinyxml.h>

namespace {

// A whitespace-separated number list read like C++ stream extraction in the
// "C" locale: a token that is not a number (a comma, say) ends the list.
class CNumberList {
public:
    explicit CNumberList(const std::string& text) : m_p(text.data()), m_pEnd(text.data() + text.size()) {}

    bool Next(float& value) { return Read(value, true); }
    bool Next(int32_t& value) { return Read(value, false); }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    template <typename T>
    bool Read(T& value, bool allowPoint)
    {
        if (m_bFailed)
            return false;
        while (m_p < m_pEnd && IsSpace(*m_p))
            ++m_p;
        // Streams take a leading '+', from_chars does not; neither takes "inf" or "nan".
        const char* start = m_p;
        if (start < m_pEnd && *start == '+')
            ++start;
        const char* first = start;
        if (first < m_pEnd && *first == '-' && start == m_p)
            ++first;
        if (first == m_pEnd || !(IsDigit(*first) || (allowPoint && *first == '.'))) {
            m_bFailed = true;
            return false;
        }
        const auto [end, ec] = std::from_chars(start, m_pEnd, value);
        if (ec != std::errc()) {
            m_bFailed = true;
            return false;
        }
        m_p = end;
        return true;
    }

    const char* m_p;
    const char* m_pEnd;
    bool m_bFailed = false;
};

struct Vec3 {
    float x, y, z;
};
struct Vec2 {
    float u, v;
};

const TiXmlElement* Child(const TiXmlNode* parent, const char* name, std::string& error)
{
    const TiXmlElement* child = parent ? parent->FirstChildElement(name) : nullptr;
    if (!child)
        error = std::string("no <") + name + "> element where the shape should be";
    return child;
}

const std::string* NeedAttribute(const TiXmlElement* element, const char* name, std::string& error)
{
    const std::string* value = element->Attribute(std::string(name));
    if (!value)
        error = std::string("<") + element->Value() + "> has no " + name + " attribute";
    return value;
}

class CMeshBuilder {
public:
    CMeshBuilder(const std::vector<Vec3>& positions, const std::vector<Vec2>& texcoords, ModelMesh& mesh)
        : m_Positions(positions), m_Texcoords(texcoords), m_Mesh(mesh)
    {
    }

    // Faces with a corner or texture index outside its list add nothing.
    void AddFace(const int32_t* corners, const int32_t* texIndices, int count)
    {
        const int used = count == 4 ? 4 : 3;
        for (int k = 0; k < used; ++k)
            if (!InList(corners[k], m_Positions.size()) || !InList(texIndices[k], m_Texcoords.size())) {
                ++m_nSkipped;
                return;
            }
        AddTriangle(corners, texIndices, 0, 1, 2);
        if (count == 4)
            AddTriangle(corners, texIndices, 0, 2, 3);
    }

    size_t Skipped() const { return m_nSkipped; }

private:
    static bool InList(int32_t index, size_t size) { return index >= 0 && size_t(index) < size; }

    void AddTriangle(const int32_t* corners, const int32_t* texIndices, int a, int b, int c)
    {
        for (int k : {a, b, c}) {
            const Vec3& p = m_Positions[size_t(corners[k])];
            const Vec2& t = m_Texcoords[size_t(texIndices[k])];
            m_Mesh.indices.push_back(uint32_t(m_Mesh.vertices.size()));
            m_Mesh.vertices.push_back(ModelVertex{{p.x, p.y, p.z}, {1.0f, 1.0f, 1.0f, 1.0f}, {t.u, t.v}});
        }
    }

    const std::vector<Vec3>& m_Positions;
    const std::vector<Vec2>& m_Texcoords;
    ModelMesh& m_Mesh;
    size_t m_nSkipped = 0;
};

bool BuildMesh(const TiXmlDocument& doc, ModelMesh& mesh, std::string& error)
{
    const TiXmlNode* node = &doc;
    for (const char* name : {"X3D", "Scene", "Transform", "Transform", "Group", "Shape", "IndexedFaceSet"})
        if (!(node = Child(node, name, error)))
            return false;
    const TiXmlElement* faceSet = node->ToElement();
    const TiXmlElement* coordinate = Child(faceSet, "Coordinate", error);
    if (!coordinate)
        return false;
    const TiXmlElement* texCoordinate = coordinate->NextSiblingElement("TextureCoordinate");
    if (!texCoordinate) {
        error = "no <TextureCoordinate> after <Coordinate>";
        return false;
    }
    const std::string* pointText = NeedAttribute(coordinate, "point", error);
    const std::string* texPointText = pointText ? NeedAttribute(texCoordinate, "point", error) : nullptr;
    const std::string* coordIndexText = texPointText ? NeedAttribute(faceSet, "coordIndex", error) : nullptr;
    const std::string* texIndexText = coordIndexText ? NeedAttribute(faceSet, "texCoordIndex", error) : nullptr;
    if (!texIndexText)
        return false;

    std::vector<Vec3> positions;
    positions.reserve(pointText->size() / 16);
    CNumberList points(*pointText);
    for (Vec3 p; points.Next(p.x) && points.Next(p.y) && points.Next(p.z);)
        positions.push_back(p);

    std::vector<Vec2> texcoords;
    texcoords.reserve(texPointText->size() / 12);
    CNumberList texPoints(*texPointText);
    for (Vec2 t; texPoints.Next(t.u) && texPoints.Next(t.v);)
        texcoords.push_back({t.u, 1.0f - t.v}); // the file's origin is bottom left

    // Corner and texture indices are read in lockstep, terminators included.
    CMeshBuilder builder(positions, texcoords, mesh);
    CNumberList corners(*coordIndexText);
    CNumberList texIndices(*texIndexText);
    for (;;) {
        int32_t c[5], t[5];
        int count = 0;
        bool readable = true;
        for (int i = 0; i < 5; ++i) {
            const bool gotCorner = corners.Next(c[i]);
            const bool gotTex = texIndices.Next(t[i]);
            if (!gotCorner || !gotTex) {
                readable = false;
                break;
            }
            if (c[i] == -1)
                break;
            ++count;
        }
        if (!readable)
            break; // the face in progress is dropped
        if (count >= 3)
            builder.AddFace(c, t, count);
    }
    if (mesh.vertices.empty()) {
        error = builder.Skipped() ? "every face refers to a point outside the lists" : "no triangles";
        return false;
    }
    return true;
}

} // namespace

bool LoadX3DModel(const std::string& scriptPath, ModelMesh& mesh, std::string& error)
{
    mesh = ModelMesh{};
    TiXmlDocument doc(ResolvePath(scriptPath).c_str());
    if (!doc.LoadFile()) {
        error = "'" + scriptPath + "': " + doc.ErrorDesc();
        if (doc.ErrorRow() > 0)
            error += " at line " + std::to_string(doc.ErrorRow());
        return false;
    }
    if (!BuildMesh(doc, mesh, error)) {
        mesh = ModelMesh{};
        error = "'" + scriptPath + "': " + error;
        return false;
    }
    return true;
}
