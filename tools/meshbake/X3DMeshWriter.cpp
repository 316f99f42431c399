// X3D text built in memory, then written in one go.
#include "X3DMeshWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {
// Faces or points per line: the file stays readable and diffable.
constexpr size_t kPerLine = 8;

void Append(std::string& out, float value)
{
    // Subnormal numbers are too small to matter to a model, and not every reader takes them.
    if (std::fpclassify(value) == FP_SUBNORMAL)
        value = 0.0f;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void AppendIndices(std::string& out, const BakedMesh& mesh)
{
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        for (int k = 0; k < 3; ++k) {
            out += std::to_string(mesh.indices[t * 3 + static_cast<size_t>(k)]);
            out += ' ';
        }
        out += (t + 1) % kPerLine == 0 ? "-1\n" : "-1 ";
    }
}
} // namespace

std::string X3DText(const BakedMesh& mesh)
{
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<X3D profile=\"Interchange\" version=\"3.3\">\n"
        "<Scene>\n<Transform>\n<Transform>\n<Group>\n<Shape>\n"
        "<IndexedFaceSet solid=\"true\" ccw=\"false\" coordIndex=\"";
    AppendIndices(out, mesh);
    out += "\" texCoordIndex=\"";
    AppendIndices(out, mesh);
    out += "\">\n<Coordinate point=\"";
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            Append(out, mesh.positions[i][static_cast<size_t>(a)]);
            out += a < 2 ? " " : (i + 1) % kPerLine == 0 ? "\n" : "  ";
        }
    }
    out += "\"/>\n<TextureCoordinate point=\"";
    for (size_t i = 0; i < mesh.texcoords.size(); ++i) {
        Append(out, mesh.texcoords[i][0]);
        out += ' ';
        Append(out, mesh.texcoords[i][1]);
        out += (i + 1) % kPerLine == 0 ? "\n" : "  ";
    }
    out += "\"/>\n</IndexedFaceSet>\n</Shape>\n</Group>\n</Transform>\n</Transform>\n</Scene>\n</X3D>\n";
    return out;
}

bool WriteX3DFile(const BakedMesh& mesh, const std::string& path)
{
    const std::string text = X3DText(mesh);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}
