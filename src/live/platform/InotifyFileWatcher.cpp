// Saved files under a folder tree, through inotify.
#include "live/platform/InotifyFileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Written and closed, moved in, and folders appearing (their files are watched from then on).
constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE_SELF | IN_ONLYDIR;
} // namespace

std::unique_ptr<CInotifyFileWatcher> CInotifyFileWatcher::Create(const std::string& root, std::string& error)
{
    std::unique_ptr<CInotifyFileWatcher> watcher(new CInotifyFileWatcher());
    watcher->m_nFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watcher->m_nFd < 0) {
        error = std::string("cannot watch files: ") + std::strerror(errno);
        return nullptr;
    }
    std::error_code ec;
    const fs::path absolute = fs::weakly_canonical(fs::absolute(root, ec), ec);
    if (!watcher->AddTree(absolute.string())) {
        error = "cannot watch '" + root + "': " + std::strerror(errno);
        return nullptr;
    }
    return watcher;
}

CInotifyFileWatcher::~CInotifyFileWatcher()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
}

bool CInotifyFileWatcher::AddTree(const std::string& folder)
{
    // IN_ONLYDIR is for the folder being added; events on its files come anyway.
    const int wd = inotify_add_watch(m_nFd, folder.c_str(), kEvents);
    if (wd < 0)
        return false;
    m_Folders[wd] = folder;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec))
            continue;
        const int sub = inotify_add_watch(m_nFd, it->path().c_str(), kEvents);
        if (sub >= 0)
            m_Folders[sub] = it->path().string();
    }
    return true;
}

std::vector<std::string> CInotifyFileWatcher::TakeChanges()
{
    std::vector<std::string> changed;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_nFd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = m_Folders.find(event->wd);
            if (folder == m_Folders.end())
                continue;
            if (event->mask & (IN_DELETE_SELF | IN_IGNORED)) {
                m_Folders.erase(folder);
                continue;
            }
            if (event->len == 0)
                continue;
            const std::string path = folder->second + "/" + event->name;
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO))
                    AddTree(path);
                continue;
            }
            if (!(event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)))
                continue;
            if (std::find(changed.begin(), changed.end(), path) == changed.end())
                changed.push_back(path);
        }
    }
    return changed;
}
