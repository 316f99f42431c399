// Saved files seen through inotify.
#include "live/platform/InotifyFileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

CInotifyFileWatcher::CInotifyFileWatcher() : m_Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

CInotifyFileWatcher::~CInotifyFileWatcher()
{
    if (m_Fd >= 0)
        close(m_Fd);
}

bool CInotifyFileWatcher::WatchFolder(const std::string& folder)
{
    if (m_Fd < 0)
        return false;
    const int wd = inotify_add_watch(m_Fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR);
    if (wd < 0)
        return false;
    m_Folders[wd] = folder;
    return true;
}

std::vector<std::string> CInotifyFileWatcher::TakeChanges()
{
    std::vector<std::string> changes;
    if (m_Fd < 0)
        return changes;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = read(m_Fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // EAGAIN: nothing more queued
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->mask & IN_IGNORED) {
                m_Folders.erase(e->wd); // the folder went away
                continue;
            }
            const auto folder = m_Folders.find(e->wd);
            if (folder == m_Folders.end() || e->len == 0 || (e->mask & IN_ISDIR))
                continue;
            std::string path = folder->second + "/" + e->name;
            if (std::find(changes.begin(), changes.end(), path) == changes.end())
                changes.push_back(std::move(path));
        }
    }
    return changes;
}
