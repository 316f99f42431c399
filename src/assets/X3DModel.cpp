// X3D subset reader: the guarded document reader builds the document, the
// number lists are read in place with from_chars (no allocation per number),
// and faces are cut into triangles the way the player always has: up to five
// corners per face, the first triangle of each, the second only for quads.
// When the shape is not where the player reads it, the message says where the
// file's first Shape is, so the user knows to convert the file.
#include "assets/X3DModel.h"

#include "assets/X3DDocument.h"

#include <charconv>
#include <vector>

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

const char* const kShapePath[] = {"X3D", "Scene", "Transform", "Transform", "Group", "Shape"};

// The first element named Shape in document order, and the element path to it.
const TiXmlElement* FirstShape(const TiXmlDocument& doc, std::string& where)
{
    std::vector<const TiXmlElement*> path;
    const TiXmlElement* e = doc.FirstChildElement();
    while (e) {
        if (std::string_view(e->Value()) == "Shape") {
            for (const TiXmlElement* step : path)
                where += std::string(step->Value()) + "/";
            where += "Shape";
            return e;
        }
        // Depth first, without recursion: down to the first child, else the next
        // sibling of this element or of the nearest ancestor that has one.
        if (const TiXmlElement* child = e->FirstChildElement()) {
            path.push_back(e);
            e = child;
            continue;
        }
        for (e = e->NextSiblingElement(); !e && !path.empty(); path.pop_back())
            e = path.back()->NextSiblingElement();
    }
    return nullptr;
}

std::string MissingShape(const TiXmlDocument& doc)
{
    const TiXmlElement* root = doc.RootElement();
    if (!root || std::string_view(root->Value()) != "X3D")
        return std::string("not an X3D file (its root element is <") + (root ? root->Value() : "") +
               ">): convert it with ml-meshbake";
    std::string where;
    const TiXmlElement* shape = FirstShape(doc, where);
    if (!shape)
        return "the file has no Shape: nothing to draw";
    return "the player reads the shape at the first X3D/Scene/Transform/Transform/Group/Shape; this file's first "
           "Shape is at " + where + " (line " + std::to_string(shape->Row()) + "): convert it with ml-meshbake";
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
    CMeshBuilder(const std::vector<Vec3>& positions, const std::vector<Vec2>& texcoords, ModelMesh& mesh,
                 size_t maxTriangles)
        : m_Positions(positions), m_Texcoords(texcoords), m_Mesh(mesh), m_nMaxTriangles(maxTriangles)
    {
    }

    // Faces with a corner or texture index outside its list add nothing. False
    // once the mesh would pass its triangle bound.
    bool AddFace(const int32_t* corners, const int32_t* texIndices, int count)
    {
        const int used = count == 4 ? 4 : 3;
        for (int k = 0; k < used; ++k)
            if (!InList(corners[k], m_Positions.size()) || !InList(texIndices[k], m_Texcoords.size())) {
                ++m_nSkipped;
                return true;
            }
        if (m_Mesh.vertices.size() / 3 + (count == 4 ? 2 : 1) > m_nMaxTriangles)
            return false;
        AddTriangle(corners, texIndices, 0, 1, 2);
        if (count == 4)
            AddTriangle(corners, texIndices, 0, 2, 3);
        return true;
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
    size_t m_nMaxTriangles;
    size_t m_nSkipped = 0;
};

bool BuildMesh(const TiXmlDocument& doc, ModelMesh& mesh, std::string& error, size_t maxTriangles)
{
    const TiXmlNode* node = &doc;
    for (const char* name : kShapePath) {
        if (!(node = node->FirstChildElement(name))) {
            error = MissingShape(doc);
            return false;
        }
    }
    const TiXmlElement* shape = node->ToElement();
    const TiXmlElement* faceSet = shape->FirstChildElement("IndexedFaceSet");
    if (!faceSet) {
        const TiXmlElement* geometry = shape->FirstChildElement();
        while (geometry && std::string_view(geometry->Value()) == "Appearance")
            geometry = geometry->NextSiblingElement();
        error = "the Shape at line " + std::to_string(shape->Row()) + " holds no IndexedFaceSet" +
                (geometry ? std::string(" (it holds <") + geometry->Value() + ">)" : std::string()) +
                ": convert it with ml-meshbake";
        return false;
    }
    const TiXmlElement* coordinate = faceSet->FirstChildElement("Coordinate");
    if (!coordinate) {
        error = "the IndexedFaceSet at line " + std::to_string(faceSet->Row()) + " has no <Coordinate>";
        return false;
    }
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
    CMeshBuilder builder(positions, texcoords, mesh, maxTriangles);
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
        if (count >= 3 && !builder.AddFace(c, t, count)) {
            error = "more than " + std::to_string(maxTriangles) + " triangles";
            return false;
        }
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
    TiXmlDocument doc;
    if (!LoadX3DDocument(scriptPath, doc, error) || !BuildMesh(doc, mesh, error, kMaxModelTriangles)) {
        mesh = ModelMesh{};
        error = "'" + scriptPath + "': " + error;
        return false;
    }
    return true;
}

bool ParseX3DModel(std::string bytes, ModelMesh& mesh, std::string& error, size_t maxTriangles)
{
    mesh = ModelMesh{};
    TiXmlDocument doc;
    if (!ParseX3DDocument(std::move(bytes), doc, error) || !BuildMesh(doc, mesh, error, maxTriangles)) {
        mesh = ModelMesh{};
        return false;
    }
    return true;
}
