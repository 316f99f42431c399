// CReloader: hot reload. Asks the file watcher what was saved and brings the
// playing production up to date: a changed shader or material file recompiles
// every material made from it, a changed image, model or font reloads that
// resource, each in place and keeping the old one when the new files fail; a
// changed script file replays the production from the start to where it was.
// It does not watch files itself, and it does not pause or pace anything.
#pragma once
#include <set>
#include <string>

class CProductionSession;
class IFileWatcher;

class CReloader {
public:
    enum class Outcome { Nothing, Reloaded, Replayed };

    CReloader(CProductionSession& session, IFileWatcher& watcher);

    // Watches the folders of every file the production has read so far; call it
    // each frame, it looks again only when resources or script files were added.
    void WatchProduction();
    // Reloads what the saved files feed; says what it did.
    Outcome Poll();

private:
    CProductionSession& m_Session;
    IFileWatcher& m_Watcher;
    std::set<std::string> m_Folders;
    const void* m_pSeenDemo = nullptr;
    size_t m_nSeen = 0;
};
