// The benchmarks' large X3D model: a 250 x 200 grid of quads written as
// 100,000 triangles, numbers as exporters write them. Shared by the asset
// loading and scene benchmarks, so both load the same file.
#pragma once
#include <cstdio>
#include <string>

namespace bench {

inline std::string MakeModel()
{
    const int w = 250, h = 200;
    std::string points, tex, coordIndex, texIndex;
    char buf[96];
    for (int y = 0; y <= h; ++y)
        for (int x = 0; x <= w; ++x) {
            std::snprintf(buf, sizeof buf, "%.6f %.6f %.6f ", x * 0.01, y * 0.01, ((x * 7 + y * 13) % 17) * 0.001);
            points += buf;
            std::snprintf(buf, sizeof buf, "%.6f %.6f ", double(x) / w, double(y) / h);
            tex += buf;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
            std::snprintf(buf, sizeof buf, "%d %d %d -1 %d %d %d -1 ", a, b, d, a, d, c);
            coordIndex += buf;
        }
    texIndex = coordIndex;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<X3D profile=\"Immersive\" version=\"3.0\"><Scene>"
           "<Transform DEF=\"root\"><Transform DEF=\"mesh\"><Group><Shape><Appearance><Material/></Appearance>"
           "<IndexedFaceSet solid=\"true\" coordIndex=\"" + coordIndex + "\" texCoordIndex=\"" + texIndex +
           "\"><Coordinate point=\"" + points + "\"/><TextureCoordinate point=\"" + tex +
           "\"/></IndexedFaceSet></Shape></Group></Transform></Transform></Scene></X3D>\n";
}

} // namespace bench
