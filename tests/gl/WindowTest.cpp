// The window path under a virtual X server (Xvfb): the window shows what the
// headless path renders, carries its class name, and Escape and closing the
// window end the production at the frame the loop promises. Skipped without Xvfb.
#include "ProductionRunner.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace {

// An Xvfb of our own on a free display number, stopped when the process ends
// (windows keep their connection to the display for the whole process).
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        for (int n = 90; n < 130 && m_Pid <= 0; ++n) {
            struct stat st;
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (::stat(lock.c_str(), &st) == 0 || ::stat(socket.c_str(), &st) == 0)
                continue;
            const std::string display = ":" + std::to_string(n);
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp",
                         static_cast<char*>(nullptr));
                ::_exit(127);
            }
            for (int i = 0; i < 100 && pid > 0; ++i) {
                int status = 0;
                if (::waitpid(pid, &status, WNOHANG) == pid)
                    break; // it gave up (display taken, or no Xvfb)
                if (::stat(socket.c_str(), &st) == 0) {
                    m_Pid = pid;
                    m_Display = display;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (m_Pid <= 0 && pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
    }
    ~VirtualDisplay()
    {
        if (m_Pid > 0) {
            ::kill(m_Pid, SIGTERM);
            ::waitpid(m_Pid, nullptr, 0);
        }
    }
    bool Ok() const { return m_Pid > 0; }
    const std::string& Name() const { return m_Display; }

private:
    pid_t m_Pid = -1;
    std::string m_Display;
};

bool HaveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

// The one virtual display of this process, started on first use; DISPLAY names it.
const VirtualDisplay* Display()
{
    if (!HaveXvfb())
        return nullptr;
    static VirtualDisplay display;
    if (!display.Ok())
        return nullptr;
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    return &display;
}

PlayerOptions WindowOptions(const std::string& production)
{
    PlayerOptions options;
    options.windowed = true;
    options.width = 64;
    options.height = 36;
    options.fps = 64;
    options.frames = 20;
    options.productionDir = ProductionDir(production);
    return options;
}

TEST(Window, ShowsWhatHeadlessRendersAndCarriesItsNames)
{
    const VirtualDisplay* x = Display();
    if (!x)
        GTEST_SKIP() << "Xvfb is not installed or did not start";
    const ProductionRun headless = RunProduction("orientation", {2}, 64, 3);
    ASSERT_EQ(headless.status, 0);

    Image window;
    Image backBuffer;
    std::string wmClass;
    const auto cwd = std::filesystem::current_path();
    PlayerOptions options = WindowOptions("orientation");
    options.frames = 3;
    const int status = PlayProduction(options, [&](long frame, CDemoSystem& demo) {
        if (frame != 2)
            return;
        auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
        backBuffer.width = renderer.Width();
        backBuffer.height = renderer.Height();
        renderer.ReadBackBuffer(backBuffer.rgb);
        // What the window shows, as the X server has it.
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        auto* sdlWindow = static_cast<SDL_Window*>(demo.m_hWindow);
        if (SDL_GetWindowWMInfo(sdlWindow, &info) && info.subsystem == SDL_SYSWM_X11) {
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(sdlWindow, &w, &h);
            XSync(info.info.x11.display, False);
            if (XImage* shot = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, static_cast<unsigned>(w),
                                         static_cast<unsigned>(h), AllPlanes, ZPixmap)) {
                window.width = w;
                window.height = h;
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        const unsigned long p = XGetPixel(shot, x, y);
                        window.rgb.push_back(static_cast<uint8_t>((p & shot->red_mask) >> 16));
                        window.rgb.push_back(static_cast<uint8_t>((p & shot->green_mask) >> 8));
                        window.rgb.push_back(static_cast<uint8_t>(p & shot->blue_mask));
                    }
                }
                XDestroyImage(shot);
            }
        }
        const std::string command = "xprop -display " + x->Name() + " -name Marrowlight WM_CLASS 2>/dev/null";
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char line[256] = {};
            while (std::fgets(line, sizeof line, p))
                wmClass += line;
            ::pclose(p);
        }
    });
    std::filesystem::current_path(cwd);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(backBuffer.rgb, headless.images.at(2).rgb);
    ASSERT_EQ(window.width, 64);
    ASSERT_EQ(window.height, 36);
    EXPECT_EQ(window.rgb, headless.images.at(2).rgb);
    if (std::system("command -v xprop >/dev/null 2>&1") == 0) {
        EXPECT_NE(wmClass.find("\"Kestrova\""), std::string::npos) << wmClass;
    }
}

TEST(Window, EscapeEndsAfterTheNextFrameAndClosingAtOnce)
{
    if (!Display())
        GTEST_SKIP() << "Xvfb is not installed or did not start";
    const auto cwd = std::filesystem::current_path();
    auto framesUntilQuit = [&](SDL_Event event) {
        long frames = 0;
        PlayProduction(WindowOptions("orientation"), [&](long frame, CDemoSystem&) {
            frames = frame + 1;
            if (frame == 2)
                SDL_PushEvent(&event);
        });
        std::filesystem::current_path(cwd);
        return frames;
    };
    SDL_Event escape{};
    escape.type = SDL_KEYDOWN;
    escape.key.keysym.sym = SDLK_ESCAPE;
    escape.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    // Pressed while frame 2 is drawn: frame 3 sees it and still runs in full; frame 4's pump quits.
    EXPECT_EQ(framesUntilQuit(escape), 4);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    // Closing quits in the next pump, before that frame runs.
    EXPECT_EQ(framesUntilQuit(close), 3);
}

TEST(Window, TheFirstProblemIsSaidAsItHappens)
{
    if (!Display())
        GTEST_SKIP() << "Xvfb is not installed or did not start";
    // Someone watching the window hears of the first problem on the frame it happens,
    // not only when the run ends; -v is off, so nothing else is said.
    long frameNow = -1;
    std::vector<std::pair<long, std::string>> said;
    diag::SetSink([&](const std::string& line) { said.emplace_back(frameNow, line); });
    PlayerOptions options = WindowOptions("materials");
    options.frames = 3;
    const auto cwd = std::filesystem::current_path();
    const int status = PlayProduction(options, [&](long frame, CDemoSystem&) { frameNow = frame; });
    std::filesystem::current_path(cwd);
    diag::SetSink({});
    ASSERT_EQ(status, 0);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].first, 0);
    EXPECT_EQ(said[0].second.rfind("marrowlight: problem: ..\\common\\Mats\\UnknownKeyword.txt:4: ", 0), 0u)
        << said[0].second;
    EXPECT_NE(said[0].second.find("(run with -v or --check to see them all)"), std::string::npos);
    EXPECT_EQ(said[1].second.find("marrowlight: "), 0u) << said[1].second;
    EXPECT_NE(said[1].second.find(" problems; the first: "), std::string::npos) << said[1].second;
}

} // namespace
