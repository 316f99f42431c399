// X3D text output. Numbers are written with six significant digits, separated
// by spaces only: the player's reader stops a list at the first comma.
#include "X3DWriter.h"

#include <cstdio>

namespace {

void WriteFloat(std::FILE* f, float v)
{
    std::fprintf(f, "%.6g", static_cast<double>(v));
}

} // namespace

bool WriteX3D(const Mesh& mesh, const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<X3D profile=\"Interchange\" version=\"3.2\">\n"
               "<Scene>\n<Transform>\n<Transform>\n<Group>\n<Shape>\n",
               f);
    std::fputs("<IndexedFaceSet solid=\"true\" coordIndex=\"", f);
    for (const Face& face : mesh.faces) {
        for (int k = 0; k < face.corners; ++k)
            std::fprintf(f, "%d ", face.point[k]);
        std::fputs("-1 ", f);
    }
    std::fputs("\" texCoordIndex=\"", f);
    for (const Face& face : mesh.faces) {
        for (int k = 0; k < face.corners; ++k)
            std::fprintf(f, "%d ", face.texture[k]);
        std::fputs("-1 ", f);
    }
    std::fputs("\">\n<Coordinate point=\"", f);
    for (const Vec3& p : mesh.points) {
        WriteFloat(f, p.x);
        std::fputc(' ', f);
        WriteFloat(f, p.y);
        std::fputc(' ', f);
        WriteFloat(f, p.z);
        std::fputc(' ', f);
    }
    std::fputs("\"/>\n<TextureCoordinate point=\"", f);
    for (const auto& t : mesh.texcoords) {
        WriteFloat(f, t[0]);
        std::fputc(' ', f);
        WriteFloat(f, t[1]);
        std::fputc(' ', f);
    }
    std::fputs("\"/>\n</IndexedFaceSet>\n</Shape>\n</Group>\n</Transform>\n</Transform>\n</Scene>\n</X3D>\n", f);
    const bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}
