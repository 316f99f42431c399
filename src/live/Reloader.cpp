// Matching saved files to a production's resources and scripts, and reloading them.
#include "live/Reloader.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/FilePath.h"
#include "live/FileWatcher.h"
#include "live/ProductionSession.h"
#include "scene/Resource.h"
#include "scene/ResourceRegistry.h"
#include "script/ScriptReader.h"

#include <filesystem>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {
// One spelling per file, whatever way it was named (script path, watcher path).
std::string Key(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    const fs::path canonical = fs::weakly_canonical(p, ec);
    return (ec ? p.lexically_normal() : canonical).string();
}

std::vector<std::string> ScriptFiles(const CDemoSystem& demo)
{
    std::vector<std::string> files;
    if (demo.m_pScript)
        for (const std::string& f : demo.m_pScript->GetFilesTried())
            files.push_back(Key(f));
    return files;
}

// Every registered resource by each of its files.
std::multimap<std::string, CResource*> ResourcesByFile(const CDemoSystem& demo)
{
    std::multimap<std::string, CResource*> byFile;
    if (!demo.m_Resources)
        return byFile;
    for (CResource* resource : demo.m_Resources->GetAll())
        for (const std::string& f : resource->GetSourceFiles())
            byFile.emplace(Key(ResolvePath(f)), resource);
    return byFile;
}
} // namespace

CReloader::CReloader(CProductionSession& session, IFileWatcher& watcher) : m_Session(session), m_Watcher(watcher) {}

void CReloader::WatchProduction()
{
    if (!m_Session.HasDemo())
        return;
    const CDemoSystem& demo = m_Session.Demo();
    // Cheap enough for every frame: only new resources or script files can add folders.
    const size_t seen = (demo.m_Resources ? demo.m_Resources->GetAll().size() : 0) +
                        (demo.m_pScript ? demo.m_pScript->GetFilesTried().size() : 0);
    if (&demo == m_pSeenDemo && seen == m_nSeen)
        return;
    m_pSeenDemo = &demo;
    m_nSeen = seen;
    std::vector<std::string> files = ScriptFiles(demo);
    for (const auto& entry : ResourcesByFile(demo))
        files.push_back(entry.first);
    for (const std::string& f : files) {
        const std::string folder = fs::path(f).parent_path().string();
        if (!folder.empty() && m_Folders.insert(folder).second)
            m_Watcher.WatchFolder(folder);
    }
}

CReloader::Outcome CReloader::Poll()
{
    const std::vector<std::string> changes = m_Watcher.TakeChanges();
    if (changes.empty() || !m_Session.HasDemo())
        return Outcome::Nothing;
    std::set<std::string> changed;
    for (const std::string& c : changes)
        changed.insert(Key(c));

    // A failed reload is said on stderr even without -v: the author is waiting for it.
    const bool wasEnabled = diag::IsEnabled();
    diag::SetEnabled(true);
    Outcome outcome = Outcome::Nothing;
    CDemoSystem& demo = m_Session.Demo();
    bool script = false;
    for (const std::string& f : ScriptFiles(demo))
        script = script || changed.count(f) != 0;
    if (script) {
        // The new script from 0 to where the author was; a frame's worth of time
        // in real time is not worth keeping exact.
        const double now = demo.m_fGlobalTime;
        m_Session.ForgetNeeds();
        m_Session.ReplayToTime(now, true);
        outcome = Outcome::Replayed;
    } else {
        std::set<CResource*> done;
        for (const auto& [file, resource] : ResourcesByFile(demo)) {
            if (!changed.count(file) || !done.insert(resource).second)
                continue;
            if (resource->Reload())
                outcome = Outcome::Reloaded;
            else
                diag::Report("'" + resource->GetName() + "' was not reloaded from '" + file + "'; it stays as it was");
        }
        if (outcome != Outcome::Nothing)
            m_Session.ForgetNeeds();
    }
    diag::SetEnabled(wasEnabled);
    // A new script or material may read files from folders not watched yet.
    WatchProduction();
    return outcome;
}
