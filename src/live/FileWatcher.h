// IFileWatcher: tells which files under a folder were saved since it was last
// asked. A file counts as saved when it is written and closed, or moved into
// place (editors that save by writing a copy and renaming it over the file).
// It says nothing about what the files are; matching them to a production's
// resources is the reloader's business.
#pragma once
#include <string>
#include <vector>

class IFileWatcher {
public:
    virtual ~IFileWatcher() = default;
    // Absolute paths, each once, of files saved since the last call; never waits.
    virtual std::vector<std::string> TakeChanges() = 0;
};
