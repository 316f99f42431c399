// Seed writing and the scratch folder shared by every fuzz target.
#include "FuzzTarget.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <glob.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzz {

const std::string& ScratchDir()
{
    // Never destroyed: the exit handler below still needs it.
    static const std::string& dir = *new std::string([] {
        const fs::path base = fs::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0
                                  ? fs::path("/dev/shm")
                                  : fs::temp_directory_path();
        std::string pattern = (base / "ml-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(ScratchDir(), ec);
        });
        return pattern;
    }());
    return dir;
}

std::string WriteScratch(const std::string& name, std::string_view bytes)
{
    std::ofstream(fs::path(ScratchDir()) / name, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return name;
}

std::vector<std::string_view> Split(const uint8_t* data, size_t size, size_t count)
{
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (parts.size() + 1 < count) {
        const size_t nul = rest.find('\0');
        if (nul == std::string_view::npos)
            break;
        parts.push_back(rest.substr(0, nul));
        rest.remove_prefix(nul + 1);
    }
    parts.push_back(rest);
    return parts;
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            joined.push_back('\0');
        joined += parts[i];
    }
    return joined;
}

} // namespace fuzz

namespace {
void WriteSeeds(const fs::path& dir)
{
    fs::create_directories(dir);
    for (const FuzzSeed& seed : FuzzSeeds())
        std::ofstream(dir / seed.name, std::ios::binary).write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
    const char* repro = std::getenv("ML_FUZZ_REPRO");
    if (!repro || !*repro)
        return;
    for (const char* const* pattern = kFuzzReproPatterns; *pattern; ++pattern) {
        glob_t found{};
        if (::glob((fs::path(repro) / *pattern).c_str(), 0, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) {
                // repro/x3d-1/repro.x3d becomes repro-x3d-1-repro.x3d
                std::string name = fs::relative(found.gl_pathv[i], repro).string();
                for (char& c : name)
                    if (c == '/')
                        c = '-';
                fs::copy_file(found.gl_pathv[i], dir / ("repro-" + name), fs::copy_options::overwrite_existing);
            }
        }
        ::globfree(&found);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const char* seeds = std::getenv("ML_FUZZ_SEEDS"); seeds && *seeds) {
        WriteSeeds(seeds);
        std::exit(0);
    }
    // Productions name their files relative to the working directory.
    fs::current_path(fuzz::ScratchDir());
    return 0;
}
