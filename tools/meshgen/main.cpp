// ml-meshgen: writes one of the showcase's models as X3D.
// Exit status: 0 written, 1 the file could not be written, 2 usage error.
#include "Shapes.h"
#include "X3DWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const char* const usage = "usage: ml-meshgen torus|gem|tunnel OUTPUT.x3d\n";
    if (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
        std::fputs(usage, stdout);
        return 0;
    }
    Mesh mesh;
    if (argc != 3 || !BuildShape(argv[1], mesh)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!WriteX3D(mesh, argv[2])) {
        std::fprintf(stderr, "ml-meshgen: cannot write \"%s\"\n", argv[2]);
        return 1;
    }
    return 0;
}
