// ml-meshbake: command line of the model converter. Imports a model, flattens
// it to one mesh, turns it to the player's convention, fits it if asked and
// writes the X3D file. Exit status: 0 written (or listed), 1 the model or a
// file could not be used, 2 usage error.
#include "MeshAdjustments.h"
#include "ModelImporter.h"
#include "SceneFlattener.h"
#include "X3DMeshWriter.h"
#include "common/ToolMessages.h"

#include <assimp/Importer.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const char* const kUsage =
    "usage: ml-meshbake [options] INPUT OUTPUT.x3d\n"
    "       ml-meshbake --list INPUT\n"
    "Converts a model (OBJ, glTF/GLB, FBX, COLLADA, PLY, STL, 3DS, X3D, gzip-compressed X3D\n"
    "and everything else the Open Asset Import Library reads) into an X3D file the player loads:\n"
    "one shape of triangles with every mesh of the scene, node transforms baked in, in the\n"
    "player's left-handed, clockwise convention, texture coordinates kept.\n"
    "  --mesh NAME   only the meshes of this name or, if no mesh has it, the node of this\n"
    "                name with everything below it\n"
    "  --centre      move the centre of the model's bounding box to the origin\n"
    "  --unit        scale the model so that the longest side of its bounding box is 1\n"
    "  --scale F     scale the model by F (after --unit)\n"
    "  --flip-v      turn texture coordinates upside down (v becomes 1 - v)\n"
    "  --list        list the meshes and nodes of INPUT and write nothing\n"
    "  -h, --help    this text\n";

int Usage(const std::string& problem) { return ToolUsage("ml-meshbake", problem, kUsage); }

int Error(const std::string& problem) { return ToolError("ml-meshbake", problem); }

void Warn(const std::string& problem) { ToolWarning("ml-meshbake", problem); }

bool ParseScale(const std::string& text, float& out)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0.0 || value > 1e30)
        return false;
    out = static_cast<float>(value);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    std::string only;
    bool centre = false, unit = false, flipV = false, list = false;
    float scale = 1.0f;
    std::string positional[2];
    int positionalCount = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--mesh" || arg == "--scale") {
            if (i + 1 >= argc)
                return Usage(arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "--scale") {
                if (!ParseScale(value, scale))
                    return Usage("--scale must be a number greater than 0");
            } else {
                if (value.empty())
                    return Usage("--mesh needs a name");
                only = value;
            }
        } else if (arg == "--centre" || arg == "--center") {
            centre = true;
        } else if (arg == "--unit") {
            unit = true;
        } else if (arg == "--flip-v") {
            flipV = true;
        } else if (arg == "--list") {
            list = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else if (positionalCount < 2) {
            positional[positionalCount++] = arg;
        } else {
            return Usage("too many arguments");
        }
    }
    if (list ? positionalCount != 1 : positionalCount != 2)
        return Usage(list ? "--list takes one model file" : "a model file and an output file are needed");

    Assimp::Importer importer;
    std::string error;
    const aiScene* scene = ImportModel(importer, positional[0], error);
    if (!scene)
        return Error(error);
    if (list) {
        std::fputs(DescribeScene(*scene).c_str(), stdout);
        return 0;
    }

    FlattenResult flat = FlattenScene(*scene, only);
    if (!flat.ok)
        return Error(flat.error);
    if (flat.skippedFaces > 0)
        Warn(std::to_string(flat.skippedFaces) + " points and lines left out: only triangles are drawn");
    for (const std::string& name : flat.meshesWithoutUVs)
        Warn("mesh " + name + " has no texture coordinates; its vertices get (0, 0)");

    BakedMesh& mesh = flat.mesh;
    ToPlayerConvention(mesh);
    if (centre)
        CentreMesh(mesh);
    if (unit)
        ScaleToUnit(mesh);
    if (scale != 1.0f)
        ScaleMesh(mesh, scale);
    if (flipV)
        FlipV(mesh);
    if (!mesh.PositionsFinite())
        return Error("--scale makes positions too large for the player's numbers");
    if (!WriteX3DFile(mesh, positional[1]))
        return Error("cannot write \"" + positional[1] + "\"");
    return 0;
}
