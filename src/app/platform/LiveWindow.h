// CLiveWindow: what a window adds to a production for its author: the keys
// (through CLiveControl), hot reload (inotify and CReloader), the F1 overlay
// and F12 screenshots. The player's frame host asks it around each frame.
// Headless runs and renders have none of this.
#pragma once
#include "app/PlayerLoop.h"
#include "live/LiveControl.h"
#include "live/PlayerKey.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class CInotifyFileWatcher;
class CProductionSession;
class CReloader;

class CLiveWindow {
public:
    // watch: reload changed files; screenshotFolder: where F12 writes.
    CLiveWindow(CProductionSession& session, bool watch, std::string screenshotFolder);
    ~CLiveWindow();

    CLiveControl& Control() { return m_Control; }
    void Keys(const std::vector<PlayerKey>& keys);
    FrameGate BeforeFrame();
    void FrameDrawn();

private:
    void Screenshot();
    std::vector<std::string> OverlayLines() const;
    void InstallOverlay();

    CProductionSession& m_Session;
    CLiveControl m_Control;
    std::unique_ptr<CInotifyFileWatcher> m_pWatcher;
    std::unique_ptr<CReloader> m_pReloader;
    std::string m_ShotFolder;
    bool m_bRedraw = false;
    void* m_pOverlayRenderer = nullptr;
    std::chrono::steady_clock::time_point m_LastFrame{};
    double m_fFrameMs = 0.0;
};
