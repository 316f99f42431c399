// Windows-style path resolution over a case-sensitive file system. The search
// is iterative and bounded: a script can name a path of any length, and two
// folders that differ only in case at every level would make it exponential.
#include "assets/FilePath.h"

#include "app/Diagnostics.h"
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

// Folders read while matching one path; beyond it the path is left unresolved.
constexpr int kMaxFolderReads = 1024;

// One component of the path being matched: the names to try, in order (the
// exact name first, then its case variants), and where the component starts.
struct Level {
    size_t start;
    std::vector<std::string> names;
    size_t next = 0;
};

enum class Outcome { Found, NotFound, TooMuchWork };

// Depth-first over the case variants of every component; the first full path
// that exists wins, so an exact match is always preferred.
Outcome Match(const std::vector<std::string>& parts, const std::string& root, std::string& out)
{
    std::string path = root;
    int reads = 0;
    std::vector<Level> levels;
    auto push = [&](size_t i) {
        Level level{path.size(), {}};
        const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
        const std::string& part = parts[i];
        if (part == "..") {
            level.names.push_back(part);
        } else {
            if (Exists(prefix + part))
                level.names.push_back(part);
            ++reads;
            for (std::string& name : EntriesNoCase(path, part))
                if (name != part)
                    level.names.push_back(std::move(name));
        }
        levels.push_back(std::move(level));
    };
    if (parts.empty()) {
        out = path;
        return Exists(path.empty() ? "." : path) ? Outcome::Found : Outcome::NotFound;
    }
    push(0);
    while (!levels.empty()) {
        if (reads > kMaxFolderReads)
            return Outcome::TooMuchWork;
        Level& level = levels.back();
        if (level.next == level.names.size()) {
            path.resize(level.start);
            levels.pop_back();
            continue;
        }
        path.resize(level.start);
        if (!path.empty() && path.back() != '/')
            path.push_back('/');
        path += level.names[level.next++];
        if (levels.size() == parts.size()) {
            if (Exists(path)) {
                out = path;
                return Outcome::Found;
            }
            continue;
        }
        push(levels.size());
    }
    return Outcome::NotFound;
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
    // Nothing longer can be opened on this system; do not search for it.
    if (path.size() >= kMaxResolvedPath) {
        diag::Report("path of " + std::to_string(path.size()) + " bytes is too long to open (the limit is " +
                     std::to_string(kMaxResolvedPath - 1) + ")");
        return path;
    }

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
    switch (Match(parts, root, resolved)) {
    case Outcome::Found:
        return resolved.empty() ? path : resolved;
    case Outcome::TooMuchWork:
        diag::Report("'" + scriptPath + "' matches too many folders that differ only in case; not resolved");
        return path;
    case Outcome::NotFound:
        break;
    }
    return path;
}

bool FileExists(const std::string& scriptPath)
{
    return Exists(ResolvePath(scriptPath));
}
