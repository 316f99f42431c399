// CInotifyFileWatcher: the file watcher on Linux, one inotify descriptor read
// without waiting. Folders, not files, are watched, so a file replaced by a
// rename (how vim and VS Code save) is still seen; creations alone are not
// changes, the write that follows them is.
#pragma once
#include "live/FileWatcher.h"

#include <map>

class CInotifyFileWatcher : public IFileWatcher {
public:
    CInotifyFileWatcher();
    ~CInotifyFileWatcher() override;
    CInotifyFileWatcher(const CInotifyFileWatcher&) = delete;
    CInotifyFileWatcher& operator=(const CInotifyFileWatcher&) = delete;

    // False when inotify is not available (the player then plays without reloading).
    bool IsOpen() const { return m_Fd >= 0; }
    bool WatchFolder(const std::string& folder) override;
    std::vector<std::string> TakeChanges() override;

private:
    int m_Fd = -1;
    std::map<int, std::string> m_Folders; // watch descriptor -> folder
};
