// The window path under a virtual X server (Xvfb): the window shows what the
// headless path renders, carries its class name, and Escape and closing the
// window end the production at the frame the loop promises; the author's keys
// and hot reload. Skipped without Xvfb.
#include "ProductionRunner.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <regex>
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

// What the window shows, as the X server has it; empty when it cannot be read.
Image WindowPixels(CDemoSystem& demo)
{
    Image window;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    auto* sdlWindow = static_cast<SDL_Window*>(demo.m_hWindow);
    if (!SDL_GetWindowWMInfo(sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11)
        return window;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(sdlWindow, &w, &h);
    XSync(info.info.x11.display, False);
    XImage* shot = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, static_cast<unsigned>(w),
                             static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!shot)
        return window;
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
    return window;
}

// Every window test: skipped without a display, and back in the folder it started
// in (playing changes into the production's).
class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Display())
            GTEST_SKIP() << "Xvfb is not installed or did not start";
    }
    ScopedChdir m_Restore{std::filesystem::current_path()};
};

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

TEST_F(Window, ShowsWhatHeadlessRendersAndCarriesItsNames)
{
    const VirtualDisplay* x = Display();
    const ProductionRun headless = RunProduction("orientation", {2}, 64, 3);
    ASSERT_EQ(headless.status, 0);

    Image window;
    Image backBuffer;
    std::string wmClass;
    PlayerOptions options = WindowOptions("orientation");
    options.frames = 3;
    const int status = PlayProduction(options, [&](long frame, CDemoSystem& demo) {
        if (frame != 2)
            return;
        auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
        backBuffer.width = renderer.Width();
        backBuffer.height = renderer.Height();
        renderer.ReadBackBuffer(backBuffer.rgb);
        window = WindowPixels(demo);
        const std::string command = "xprop -display " + x->Name() + " -name Marrowlight WM_CLASS 2>/dev/null";
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char line[256] = {};
            while (std::fgets(line, sizeof line, p))
                wmClass += line;
            ::pclose(p);
        }
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(backBuffer.rgb, headless.images.at(2).rgb);
    ASSERT_EQ(window.width, 64);
    ASSERT_EQ(window.height, 36);
    EXPECT_EQ(window.rgb, headless.images.at(2).rgb);
    if (std::system("command -v xprop >/dev/null 2>&1") == 0) {
        EXPECT_NE(wmClass.find("\"Kestrova\""), std::string::npos) << wmClass;
    }
}

TEST_F(Window, EscapeEndsAfterTheNextFrameAndClosingAtOnce)
{
    auto framesUntilQuit = [&](SDL_Event event) {
        long frames = 0;
        PlayProduction(WindowOptions("orientation"), [&](long frame, CDemoSystem&) {
            frames = frame + 1;
            if (frame == 2)
                SDL_PushEvent(&event);
        });
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


SDL_Event Key(SDL_Keycode key)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    return e;
}

TEST_F(Window, KeysPauseSeekRestartLoopAndScreenshot)
{
    TempDir dir;
    dir.Write("DemoScript.txt", "fadeup 0\ndelayuntil delay 100\n");
    dir.Write("Data/Mats/FaderMaterial.txt", "loadvertexshader Fader.hlsl VSFade\n");
    PlayerOptions options = WindowOptions("orientation");
    options.productionDir = dir.Path().string();
    options.frames = -1;
    options.duration = -1;
    TempDir shots;
    std::filesystem::current_path(shots.Path());
    // Keys pressed while call n is observed; the time of each call, and when it came.
    const std::map<int, std::vector<SDL_Keycode>> keys = {
        {10, {SDLK_RIGHT}},       {20, {SDLK_LEFT}},         {30, {SDLK_PAGEUP}},
        {40, {SDLK_PAGEDOWN}},    {50, {SDLK_HOME}},         {60, {SDLK_LEFTBRACKET}},
        {70, {SDLK_RIGHTBRACKET, SDLK_l}}, {100, {SDLK_l, SDLK_F1}}, {110, {SDLK_SPACE}},
        {120, {SDLK_F12}},        {130, {SDLK_ESCAPE}},
    };
    std::vector<float> times;
    std::vector<std::chrono::steady_clock::time_point> when;
    std::thread resume;
    int overlayWhite = 0;
    const int status = PlayProduction(options, [&](long, CDemoSystem& demo) {
        // F1 at call 100: the overlay's white letters on the (black) picture in the window.
        if (times.size() == 105) {
            const Image shown = WindowPixels(demo);
            for (size_t i = 0; i < shown.rgb.size(); i += 3)
                overlayWhite += shown.rgb[i] == 255 && shown.rgb[i + 1] == 255 && shown.rgb[i + 2] == 255;
        }
        times.push_back(demo.m_fGlobalTime);
        when.push_back(std::chrono::steady_clock::now());
        const int n = static_cast<int>(times.size()) - 1;
        if (const auto k = keys.find(n); k != keys.end())
            for (SDL_Keycode key : k->second) {
                SDL_Event e = Key(key);
                SDL_PushEvent(&e);
            }
        if (n == 110)
            resume = std::thread([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                SDL_Event e = Key(SDLK_SPACE);
                SDL_PushEvent(&e);
            });
    });
    if (resume.joinable())
        resume.join();
    ASSERT_EQ(status, 0);
    ASSERT_GE(times.size(), 131u);
    const float step = 1.0f / 64.0f;
    auto jump = [&](int n) { return times[static_cast<size_t>(n) + 1] - times[static_cast<size_t>(n)]; };
    EXPECT_NEAR(jump(10), 1.0f + step, 1e-3f);   // Right
    EXPECT_NEAR(jump(20), -1.0f + step, 1e-3f);  // Left: a replay
    EXPECT_NEAR(jump(30), 10.0f + step, 1e-3f);  // Page Up
    EXPECT_NEAR(jump(40), -10.0f + step, 1e-3f); // Page Down
    EXPECT_NEAR(times[51], step, 1e-4f);         // Home
    // Looping between the marks of calls 60 and 70 until L at call 100.
    bool looped = false;
    for (size_t n = 71; n <= 100; ++n) {
        EXPECT_LE(times[n], times[70] + step + 1e-4f) << n;
        looped = looped || std::abs(times[n] - (times[60] + step)) < 1e-4f;
    }
    EXPECT_TRUE(looped);
    // Space: the picture held for the 300 ms until the second Space, no time lost or skipped.
    EXPECT_NEAR(jump(110), step, 1e-4f);
    EXPECT_GE(when[111] - when[110], std::chrono::milliseconds(250));
    EXPECT_GT(overlayWhite, 20);
    EXPECT_TRUE(std::filesystem::exists(shots.Path() / "marrowlight-00001.png"));
}

// Writes a 2x2 PNG of one colour, whole or cut short, the way an editor saving
// by rename does (a new file moved over the old) or in place.
void WriteImage(const std::string& path, std::array<uint16_t, 3> colour, bool cutShort = false)
{
    std::vector<uint16_t> rgb;
    for (int i = 0; i < 4; ++i)
        rgb.insert(rgb.end(), colour.begin(), colour.end());
    testimg::Bytes png = testimg::Png(2, 2, 8, 2, rgb);
    if (cutShort) {
        png.resize(png.size() / 2);
        return testimg::WriteFile(path, png);
    }
    testimg::WriteFile(path + ".tmp", png);
    std::filesystem::rename(path + ".tmp", path);
}

TEST_F(Window, ReloadsShadersImagesAndTheScriptWhilePlaying)
{
    TempDir scratch;
    const std::string dir = CopyProduction("reload", scratch.Path());
    WriteImage(dir + "/Image.png", {255, 0, 0});
    const std::string shader = dir + "/Shaders/Tint.hlsl";
    std::string source;
    {
        std::ifstream in(shader);
        source.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string swapped = std::regex_replace(source, std::regex("return Frame.Sample\\(Linear, i.uv\\);"),
                                                   "float4 s = Frame.Sample(Linear, i.uv); return float4(s.b, s.g, s.r, 1);");
    std::string script;
    {
        std::ifstream in(dir + "/DemoScript.txt");
        script.assign(std::istreambuf_iterator<char>(in), {});
    }
    PlayerOptions options = WindowOptions("reload");
    options.productionDir = dir;
    options.frames = -1;
    options.fps = 0; // real time, as an author plays it
    // Each step: an edit, then the centre colour the window must show within a second.
    // A broken edit must leave the colour as it was for a while and not stop anything.
    struct Step {
        std::function<void()> edit;
        std::array<int, 3> want;
        bool broken;
    };
    const std::vector<Step> steps = {
        {[] {}, {255, 0, 0}, true}, // plays a while first: folders are watched once files are read
        {[&] { std::ofstream(shader) << "float4 PSTint( : SV_Target { return 1; }\n"; }, {255, 0, 0}, true},
        {[&] { std::ofstream(shader) << swapped; }, {0, 0, 255}, false},
        {[&] { WriteImage(dir + "/Image.png", {0, 255, 0}, true); }, {0, 0, 255}, true},
        {[&] { WriteImage(dir + "/Image.png", {0, 255, 0}); }, {0, 255, 0}, false},
        {[&] {
             std::ofstream(dir + "/DemoScript.txt")
                 << std::regex_replace(script, std::regex("delayuntil delay 1000"), "setscale \\n 0 0 0\ndelayuntil delay 1000");
         },
         {0, 0, 0}, false},
    };
    size_t step = 0;
    auto since = std::chrono::steady_clock::now();
    std::vector<double> latencies;
    float timeBeforeScript = 0.0f, timeAfterScript = 0.0f;
    long frames = 0;
    const int status = PlayProduction(options, [&](long, CDemoSystem& demo) {
        if (step >= steps.size()) { // done, or failed: end the run rather than hang
            SDL_Event e = Key(SDLK_ESCAPE);
            SDL_PushEvent(&e);
            return;
        }
        if (++frames == 1)
            since = std::chrono::steady_clock::now(); // the first frame read the files
        auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
        Image frame;
        frame.width = renderer.Width();
        frame.height = renderer.Height();
        renderer.ReadBackBuffer(frame.rgb);
        const auto centre = frame.At(frame.width / 2, frame.height / 2);
        const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
        const Step& s = steps[step];
        if (s.broken) {
            if (!Near(centre, s.want, 2)) {
                ADD_FAILURE() << "step " << step << " changed the picture: " << Near(centre, s.want, 2).message();
                step = steps.size();
            }
            if (waited < 0.3)
                return;
        } else if (!Near(centre, s.want, 2)) {
            if (waited > 1.0) {
                ADD_FAILURE() << "step " << step << " not on screen after a second: " << Near(centre, s.want, 2).message();
                step = steps.size();
            }
            return;
        } else if (step > 0) {
            latencies.push_back(waited);
        }
        if (step + 1 == steps.size())
            timeAfterScript = demo.m_fGlobalTime;
        if (++step == steps.size()) {
            SDL_Event e = Key(SDLK_ESCAPE);
            SDL_PushEvent(&e);
            return;
        }
        if (step + 1 == steps.size())
            timeBeforeScript = demo.m_fGlobalTime;
        steps[step].edit();
        since = std::chrono::steady_clock::now();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(step, steps.size());
    EXPECT_EQ(latencies.size(), 3u);
    // The script's replay went on from where the author was, not from 0.
    EXPECT_GE(timeAfterScript, timeBeforeScript);
}

TEST_F(Window, TheFirstProblemIsSaidAsItHappens)
{
    // Someone watching the window hears of the first problem on the frame it happens,
    // not only when the run ends; -v is off, so nothing else is said.
    long frameNow = -1;
    std::vector<std::pair<long, std::string>> said;
    diag::SetSink([&](const std::string& line) { said.emplace_back(frameNow, line); });
    PlayerOptions options = WindowOptions("materials");
    options.frames = 3;
    const int status = PlayProduction(options, [&](long frame, CDemoSystem&) { frameNow = frame; });
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
