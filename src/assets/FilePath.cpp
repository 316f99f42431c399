// Windows-style path resolution over a case-sensitive file system.
#include "assets/FilePath.h"

#include "scene/Resource.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

namespace {
bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Every entry of dir whose name equals name without regard to ASCII case.
std::vector<std::string> EntriesNoCase(const std::string& dir, const std::string& name)
{
    std::vector<std::string> found;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return found;
    const std::string want = LowerAscii(name);
    while (dirent* e = ::readdir(d))
        if (LowerAscii(e->d_name) == want)
            found.emplace_back(e->d_name);
    ::closedir(d);
    return found;
}

// Matches parts[i..] under resolved; tries every case variant of a folder, since
// two folders may differ only in case and only one holds the rest of the path.
bool Match(const std::vector<std::string>& parts, size_t i, const std::string& resolved, std::string& out)
{
    if (i == parts.size()) {
        out = resolved;
        return Exists(resolved.empty() ? "." : resolved);
    }
    const std::string prefix = resolved.empty() || resolved.back() == '/' ? resolved : resolved + "/";
    const std::string& part = parts[i];
    if (part == "..")
        return Match(parts, i + 1, prefix + part, out);
    if (Exists(prefix + part) && Match(parts, i + 1, prefix + part, out))
        return true;
    for (const std::string& name : EntriesNoCase(resolved, part))
        if (name != part && Match(parts, i + 1, prefix + name, out))
            return true;
    return false;
}
} // namespace

std::string ResolvePath(const std::string& scriptPath)
{
    std::string path = scriptPath;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.empty() || Exists(path))
        return path;

    std::string root;
    if (path.front() == '/')
        root = "/";
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    std::string resolved;
    return Match(parts, 0, root, resolved) && !resolved.empty() ? resolved : path;
}

bool FileExists(const std::string& scriptPath)
{
    return Exists(ResolvePath(scriptPath));
}
