// Keys, hot reload, overlay and screenshots of a production in a window.
#include "app/platform/LiveWindow.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/platform/TextOverlay.h"
#include "live/ProductionSession.h"
#include "live/Reloader.h"
#include "live/platform/InotifyFileWatcher.h"
#include "render/gl/GLRenderer.h"

#include <cstdio>
#include <filesystem>
#include <stb_image_write.h>
#include <thread>

namespace {
std::string Fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
} // namespace

CLiveWindow::CLiveWindow(CProductionSession& session, bool watch, std::string screenshotFolder)
    : m_Session(session), m_Control(session), m_ShotFolder(std::move(screenshotFolder))
{
    if (!watch)
        return;
    m_pWatcher = std::make_unique<CInotifyFileWatcher>();
    if (!m_pWatcher->IsOpen()) {
        diag::Report("files cannot be watched here (inotify); changes are not reloaded");
        m_pWatcher.reset();
        return;
    }
    m_pReloader = std::make_unique<CReloader>(session, *m_pWatcher);
    m_pReloader->WatchProduction();
}

CLiveWindow::~CLiveWindow() = default;

void CLiveWindow::Keys(const std::vector<PlayerKey>& keys)
{
    for (PlayerKey key : keys)
        m_Control.Press(key);
    m_bRedraw = m_bRedraw || !keys.empty();
}

FrameGate CLiveWindow::BeforeFrame()
{
    bool jumped = m_Control.TakeJumped();
    if (m_pReloader) {
        m_pReloader->WatchProduction();
        const CReloader::Outcome outcome = m_pReloader->Poll();
        if (outcome == CReloader::Outcome::Replayed) {
            m_Control.Reapply();
            jumped = true;
        }
        m_bRedraw = m_bRedraw || outcome != CReloader::Outcome::Nothing;
    }
    InstallOverlay();
    if (m_Control.TakeScreenshot())
        Screenshot();
    if (!m_Control.Paused()) {
        m_bRedraw = false;
        return jumped ? FrameGate::RunAfterJump : FrameGate::Run;
    }
    // Paused: the picture is held, drawn again only when something in it changed.
    if (m_bRedraw)
        m_Session.Redraw();
    m_bRedraw = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_LastFrame = {};
    return FrameGate::Hold;
}

void CLiveWindow::FrameDrawn()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_LastFrame != std::chrono::steady_clock::time_point{}) {
        const double ms = std::chrono::duration<double, std::milli>(now - m_LastFrame).count();
        // Smoothed, so that the overlay's numbers can be read.
        m_fFrameMs = m_fFrameMs > 0.0 ? m_fFrameMs * 0.9 + ms * 0.1 : ms;
    }
    m_LastFrame = now;
    m_Control.AfterFrame();
}

void CLiveWindow::InstallOverlay()
{
    if (!m_Session.HasDemo())
        return;
    auto& renderer = static_cast<CGLRenderer&>(*m_Session.Demo().m_pRenderer);
    if (m_pOverlayRenderer == &renderer)
        return;
    // Each replay makes a new renderer.
    m_pOverlayRenderer = &renderer;
    renderer.SetOverlay([this](int width, int height) {
        if (m_Control.OverlayShown())
            CTextOverlay::Draw(OverlayLines(), width, height);
    });
}

std::vector<std::string> CLiveWindow::OverlayLines() const
{
    std::vector<std::string> lines;
    const double time = m_Session.HasDemo() ? m_Session.Demo().m_fGlobalTime : 0.0;
    std::string state = m_Control.Paused() ? "  paused" : "";
    if (m_Control.Looping())
        state += "  loop " + Fixed(m_Control.LoopFrom(), 2) + "-" + Fixed(m_Control.LoopTo(), 2) + " s";
    lines.push_back("time " + Fixed(time, 2) + " s  frame " + std::to_string(m_Session.NextFrame() - 1) + state);
    const double fps = m_fFrameMs > 0.0 ? 1000.0 / m_fFrameMs : 0.0;
    lines.push_back(Fixed(fps, 1) + " fps  " + Fixed(m_fFrameMs, 2) + " ms a frame");
    lines.push_back("problems " + std::to_string(diag::Count()));
    if (!diag::LastProblem().empty())
        lines.push_back("last: " + diag::LastProblem().substr(0, 160));
    return lines;
}

void CLiveWindow::Screenshot()
{
    if (!m_Session.HasDemo())
        return;
    auto& renderer = static_cast<CGLRenderer&>(*m_Session.Demo().m_pRenderer);
    std::vector<uint8_t> pixels;
    renderer.ReadBackBuffer(pixels);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path file;
    for (int n = 1; n < 100000; ++n) {
        char name[48];
        std::snprintf(name, sizeof name, "marrowlight-%05d.png", n);
        file = fs::path(m_ShotFolder) / name;
        if (!fs::exists(file, ec))
            break;
    }
    const int w = renderer.Width();
    const int h = renderer.Height();
    if (stbi_write_png(file.c_str(), w, h, 3, pixels.data(), w * 3))
        std::fprintf(stderr, "marrowlight: screenshot %s\n", file.c_str());
    else
        std::fprintf(stderr, "marrowlight: cannot write the screenshot %s\n", file.c_str());
}
