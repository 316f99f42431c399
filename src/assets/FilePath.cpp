// Windows-style path resolution over a case-sensitive file system.
#include "assets/FilePath.h"

#include "scene/Resource.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {
bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to ASCII case.
bool FindEntryNoCase(const std::string& dir, const std::string& name, std::string& found)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    const std::string want = LowerAscii(name);
    bool ok = false;
    while (dirent* e = ::readdir(d)) {
        if (LowerAscii(e->d_name) == want) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
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

    std::string resolved;
    size_t start = 0;
    if (path.front() == '/') {
        resolved = "/";
        start = 1;
    }
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        std::string prefix = resolved.empty() || resolved.back() == '/' ? resolved : resolved + "/";
        std::string name = part;
        if (part != ".." && !Exists(prefix + part) && !FindEntryNoCase(resolved, part, name))
            return path;
        resolved = prefix + name;
    }
    return resolved.empty() ? path : resolved;
}

bool FileExists(const std::string& scriptPath)
{
    return Exists(ResolvePath(scriptPath));
}
