// IFileWatcher: tells which files in the folders it watches were saved since it
// was last asked. A file counts as saved when it is written and closed, or moved
// into place (editors that save by writing a copy and renaming it over the file).
// It says nothing about what the files are; matching them to a production's
// resources is the reloader's business.
#pragma once
#include <string>
#include <vector>

class IFileWatcher {
public:
    virtual ~IFileWatcher() = default;
    // Watches the files directly in this folder from now on; false when it cannot.
    virtual bool WatchFolder(const std::string& folder) = 0;
    // Paths, each once, of files saved since the last call; never waits.
    virtual std::vector<std::string> TakeChanges() = 0;
};
