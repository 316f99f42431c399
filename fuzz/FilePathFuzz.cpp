// Windows path resolution over a small tree with case variants, a folder
// linked to itself under two cases, and files at several depths.
#include "FuzzTarget.h"

#include "assets/FilePath.h"

#include <filesystem>

namespace {
void MakeTree()
{
    static const bool made = [] {
        namespace fs = std::filesystem;
        const fs::path root = fuzz::ScratchDir();
        for (const char* dir : {"Data/Mats", "Data/mats", "DATA/Shaders/Sub", "data"})
            fs::create_directories(root / dir);
        for (const char* file : {"Data/Mats/Fader.txt", "Data/mats/other.TXT", "DATA/Shaders/Sub/a.hlsl", "top.png"})
            fuzz::WriteScratch(file, "x");
        fs::create_directory_symlink(".", root / "loop");
        fs::create_directory_symlink(".", root / "LOOP");
        return true;
    }();
    (void)made;
}
} // namespace

const char* const kFuzzReproPatterns[] = {"filepath-*/DemoScript.txt", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    return {
        {"mats", "data\\MATS\\fader.TXT"},
        {"dots", ".\\Data\\..\\DATA\\shaders\\SUB\\A.HLSL"},
        {"loop", "loop\\Loop\\LOOP\\loop\\LoOp\\missing.txt"},
        {"absolute", "/tmp/../TMP/x"},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MakeTree();
    const std::string path(reinterpret_cast<const char*>(data), size);
    FileExists(path);
    return 0;
}
