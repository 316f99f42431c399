#include "render/gl/shader/ShaderCache.h"

#include "render/gl/shader/HlslTranslator.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "marrowlight shader cache\n";

uint64_t Fnv1a(uint64_t hash, const std::string& text)
{
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Everything that decides the translation, in one string.
std::string KeyText(const TranslationRequest& key)
{
    TranslationRequest stripped = key;
    stripped.path.clear(); // messages are rewritten for the path that asks
    return TranslatorVersion() + '\n' + codec::Encode(stripped);
}

} // namespace

std::string CShaderCache::DefaultDirectory()
{
    if (const char* set = std::getenv("MARROWLIGHT_SHADER_CACHE")) {
        const std::string value = set;
        return value == "off" ? std::string() : value;
    }
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/')
        return std::string(xdg) + "/marrowlight/shaders";
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.cache/marrowlight/shaders";
    return {};
}

std::string CShaderCache::FileFor(const TranslationRequest& key) const
{
    char name[32];
    std::snprintf(name, sizeof(name), "%016llx.mlsh",
                  static_cast<unsigned long long>(Fnv1a(14695981039346656037ull, KeyText(key))));
    return m_Directory + "/" + name;
}

bool CShaderCache::Load(const TranslationRequest& key, StageTranslation& translation) const
{
    if (!Enabled())
        return false;
    std::ifstream in(FileFor(key), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string file = bytes.str();
    const std::string expected = kMagic + KeyText(key);
    if (file.size() < expected.size() + 4 || file.compare(0, expected.size(), expected) != 0)
        return false;
    return codec::Decode(std::string_view(file).substr(expected.size()), translation) &&
           translation.outcome != StageTranslation::Outcome::Crashed;
}

void CShaderCache::Store(const TranslationRequest& key, const StageTranslation& translation) const
{
    // A crash may be the machine's doing (memory, a killed worker): worth trying again next run.
    if (!Enabled() || translation.outcome == StageTranslation::Outcome::Crashed)
        return;
    std::error_code error;
    std::filesystem::create_directories(m_Directory, error);
    const std::string file = FileFor(key);
    const std::string temporary = file + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        out << kMagic << KeyText(key) << codec::Encode(translation);
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(temporary, error);
            return;
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error)
        std::filesystem::remove(temporary, error);
}
