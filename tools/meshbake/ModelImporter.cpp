// Import through assimp, with gzip inflated by zlib.
#include "ModelImporter.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace {
// Larger inflated data than any model needs is a broken or hostile file.
constexpr size_t kMaxInflatedBytes = size_t{1} << 30;

constexpr unsigned kImportFlags = aiProcess_Triangulate | aiProcess_ValidateDataStructure | aiProcess_GenUVCoords |
                                  aiProcess_TransformUVCoords;

// Compressed forms whose inner type is not simply the name without the suffix.
const std::map<std::string, std::string> kCompressedExtensions = {
    {"x3dz", "x3d"},
    {"x3dvz", "x3dv"},
    {"wrz", "wrl"},
};

// Encodings this build of the library cannot read, and what to export instead.
const std::map<std::string, std::string> kUnreadable = {
    {"wrl", "VRML"},
    {"x3dv", "X3D's classic (VRML) encoding"},
    {"x3db", "X3D's binary encoding"},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ExtensionOf(const std::string& name)
{
    const std::string ext = std::filesystem::path(name).extension().string();
    return ext.empty() ? "" : Lower(ext.substr(1));
}

bool IsGzip(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char magic[2] = {};
    in.read(reinterpret_cast<char*>(magic), 2);
    return in.gcount() == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

bool Inflate(const std::string& path, std::vector<char>& out, std::string& error)
{
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    char block[65536];
    int n = 0;
    while ((n = gzread(file, block, sizeof block)) > 0) {
        if (out.size() + static_cast<size_t>(n) > kMaxInflatedBytes) {
            gzclose(file);
            error = "\"" + path + "\" inflates to more than 1 GiB";
            return false;
        }
        out.insert(out.end(), block, block + n);
    }
    int code = Z_OK;
    const std::string message = n < 0 ? gzerror(file, &code) : "";
    gzclose(file);
    if (n < 0) {
        error = "\"" + path + "\" is damaged gzip data: " + message;
        return false;
    }
    return true;
}
} // namespace

std::string InnerExtension(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string ext = ExtensionOf(name);
    if (ext == "gz") {
        const std::string inner = ExtensionOf(name.substr(0, name.size() - 3));
        const auto compressed = kCompressedExtensions.find(inner);
        return compressed != kCompressedExtensions.end() ? compressed->second : inner.empty() ? "x3d" : inner;
    }
    const auto compressed = kCompressedExtensions.find(ext);
    // A compressed file of no known name is most likely X3D.
    return compressed != kCompressedExtensions.end() ? compressed->second : "x3d";
}

const aiScene* ImportModel(Assimp::Importer& importer, const std::string& path, std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot open \"" + path + "\"";
        return nullptr;
    }
    const aiScene* scene = nullptr;
    std::string type = ExtensionOf(path);
    if (IsGzip(path)) {
        std::vector<char> data;
        if (!Inflate(path, data, error))
            return nullptr;
        type = InnerExtension(path);
        scene = importer.ReadFileFromMemory(data.data(), data.size(), kImportFlags, type.c_str());
    } else {
        scene = importer.ReadFile(path, kImportFlags);
    }
    if (!scene) {
        error = "cannot read \"" + path + "\": " + importer.GetErrorString();
        const auto unreadable = kUnreadable.find(type);
        if (unreadable != kUnreadable.end())
            error += " (the Open Asset Import Library does not read " + unreadable->second +
                     "; export X3D in its XML encoding, .x3d, instead)";
    }
    return scene;
}
