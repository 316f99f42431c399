// CInotifyFileWatcher: IFileWatcher on Linux's inotify, watching a folder and
// every folder below it (folders made later too). It reads events without
// blocking; it does not debounce: a file saved twice between two looks is
// reported once, a file saved in two steps is reported after each.
#pragma once
#include "live/FileWatcher.h"

#include <memory>
#include <string>
#include <unordered_map>

class CInotifyFileWatcher : public IFileWatcher {
public:
    // Null, with a one-line reason, when the folder cannot be watched.
    static std::unique_ptr<CInotifyFileWatcher> Create(const std::string& root, std::string& error);
    ~CInotifyFileWatcher() override;
    CInotifyFileWatcher(const CInotifyFileWatcher&) = delete;
    CInotifyFileWatcher& operator=(const CInotifyFileWatcher&) = delete;

    std::vector<std::string> TakeChanges() override;

private:
    CInotifyFileWatcher() = default;
    // Watches the folder and the folders below it; false when the folder itself fails.
    bool AddTree(const std::string& folder);

    int m_nFd = -1;
    std::unordered_map<int, std::string> m_Folders; // watch descriptor -> absolute folder
};
