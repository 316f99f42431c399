// The player's entry: command line, context, demo system, loop and captures.
#include "app/platform/Player.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameClock.h"
#include "app/PlayerLoop.h"
#include "app/ScriptCheck.h"
#include "app/platform/EglContext.h"
#include "app/platform/InterruptFlag.h"
#include "app/platform/MovieEncoder.h"
#include "app/platform/PngSequenceEncoder.h"
#include "app/platform/RenderOutput.h"
#include "app/platform/SDLDemoSystem.h"
#include "app/platform/SdlWindow.h"
#include "assets/FilePath.h"
#include "audio/sdl/SDLAudioManager.h"
#include "render/gl/GLRenderer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stb_image_write.h>
#include <system_error>
#include <vector>

#ifndef ML_VERSION
#define ML_VERSION "0.1.0"
#endif

namespace {

const char* const kScriptName = "DemoScript.txt";

void Fail(std::string message)
{
    // One line, whatever a library put in the text.
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "marrowlight: %s\n", message.c_str());
}

// Frames a fixed-step run of these limits draws at most; -1 when unbounded.
long FrameBudget(const PlayerOptions& options, int fps)
{
    long frames = options.frames;
    if (options.duration >= 0.0) {
        // The loop stops before the first frame at which frames / fps >= duration.
        long n = static_cast<long>(std::ceil(options.duration * fps));
        while (n > 0 && static_cast<double>(n - 1) / fps >= options.duration)
            --n;
        while (static_cast<double>(n) / fps < options.duration)
            ++n;
        frames = frames < 0 ? n : std::min(frames, n);
    }
    return frames;
}

// Window messages and what happens to each drawn frame.
class CPlayerHost : public IFrameHost {
public:
    CPlayerHost(CPlatformContext& context, CDemoSystem& demo, std::vector<CaptureRequest> captures,
                const FrameObserver& observer, CRenderOutput* render, bool announceFirstProblem)
        : m_Context(context), m_Demo(demo), m_Captures(std::move(captures)), m_Observer(observer),
          m_pRender(render), m_Written(m_Captures.size(), false), m_bAnnounce(announceFirstProblem)
    {
    }

    bool PumpMessages() override { return m_Context.PumpEvents(); }

    // A render stops between frames on Ctrl-C, or once its file cannot be written.
    bool ShouldStop() override
    {
        return m_pRender && (m_pRender->Failed() || CInterruptFlag::IsRaised());
    }

    void FrameDrawn(long index, const FrameResult& /*frame*/) override
    {
        if (m_pRender)
            m_pRender->AddFrame(index);
        bool readBack = false;
        for (size_t i = 0; i < m_Captures.size(); ++i) {
            if (m_Captures[i].frame != index)
                continue;
            auto& renderer = static_cast<CGLRenderer&>(*m_Demo.m_pRenderer);
            if (!readBack)
                renderer.ReadBackBuffer(m_Pixels);
            readBack = true;
            const int w = renderer.Width();
            const int h = renderer.Height();
            if (stbi_write_png(m_Captures[i].file.c_str(), w, h, 3, m_Pixels.data(), w * 3))
                m_Written[i] = true;
            else
                Fail("cannot write the capture '" + m_Captures[i].file + "'");
        }
        if (m_Observer)
            m_Observer(index, m_Demo);
        // Someone watching a window learns of trouble when it starts, not only at the end.
        if (m_bAnnounce && diag::Count() > 0) {
            diag::Notice("marrowlight: problem: " + diag::FirstProblem() +
                         " (run with -v or --check to see them all)");
            m_bAnnounce = false;
        }
    }

    // Every capture written; says which were not.
    bool AllWritten() const
    {
        bool ok = true;
        for (size_t i = 0; i < m_Captures.size(); ++i) {
            if (m_Written[i])
                continue;
            ok = false;
            Fail("frame " + std::to_string(m_Captures[i].frame) + " was never drawn, so '" + m_Captures[i].file +
                 "' was not written");
        }
        return ok;
    }

private:
    CPlatformContext& m_Context;
    CDemoSystem& m_Demo;
    std::vector<CaptureRequest> m_Captures;
    const FrameObserver& m_Observer;
    CRenderOutput* m_pRender;
    std::vector<bool> m_Written;
    std::vector<uint8_t> m_Pixels;
    bool m_bAnnounce;
};

} // namespace

// --check: every line of the script run at once, every asset loaded by the real renderer.
static int CheckProduction(CPlatformContext& context, const PlayerOptions& options)
{
    const bool wasEnabled = diag::IsEnabled();
    diag::SetEnabled(true);
    diag::ResetCount();
    bool started = false;
    std::string checked;
    {
        auto demo = std::make_unique<CSDLDemoSystem>(&context, true);
        started = demo->Init(kScriptName, options.width, options.height);
        if (started)
            checked = DescribeCheck(RunScriptCheck(*demo), *demo);
    }
    diag::SetEnabled(wasEnabled);
    if (!started) {
        Fail("the production could not start at " + std::to_string(options.width) + "x" +
             std::to_string(options.height));
        return 1;
    }
    const int problems = diag::Count();
    const int warnings = diag::WarningCount();
    auto counted = [](int n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); };
    if (problems > 0) {
        Fail("--check found " + counted(problems, " problem", " problems") +
             (warnings > 0 ? " and " + counted(warnings, " warning", " warnings") : std::string()));
        return 1;
    }
    if (warnings > 0 && options.strict) {
        Fail("--check found " + counted(warnings, " warning", " warnings") + ", which --strict counts as problems");
        return 1;
    }
    std::printf("marrowlight: %s: no problems%s\n", checked.c_str(),
                warnings > 0 ? (", " + counted(warnings, " warning", " warnings")).c_str() : "");
    return 0;
}

int PlayProduction(const PlayerOptions& options, const FrameObserver& observer)
{
    // Capture and render files are named relative to where the player was started.
    std::vector<CaptureRequest> captures = options.captures;
    for (CaptureRequest& c : captures)
        c.file = std::filesystem::absolute(c.file).string();
    const bool rendering = !options.render.empty();
    const std::string renderPath = rendering ? std::filesystem::absolute(options.render).string() : std::string();
    if (!options.productionDir.empty()) {
        std::error_code ec;
        std::filesystem::current_path(options.productionDir, ec);
        if (ec) {
            Fail("cannot enter the production directory '" + options.productionDir + "': " + ec.message());
            return 1;
        }
    }
    // Without its script a production would play black until stopped: say so instead.
    if (!FileExists(kScriptName)) {
        Fail(std::string("no ") + kScriptName + " in " +
             (options.productionDir.empty() ? std::string("the current directory")
                                            : "'" + options.productionDir + "'") +
             ": a production is a folder holding " + kScriptName);
        return 1;
    }
    diag::ResetCount();

    // A check and a render never need a window: both run off-screen.
    const bool offscreen = options.headless || options.check || rendering;
    std::string error;
    std::unique_ptr<CPlatformContext> context;
    if (offscreen)
        context = CEglContext::Create(error);
    else
        context = CSdlWindow::Create(options.width, options.height, options.windowed, error);
    if (!context) {
        if (options.check)
            Fail("--check needs an OpenGL 4.5 context to compile shaders, and none could be made: " + error);
        else
            Fail(error);
        return 1;
    }
    if (options.check)
        return CheckProduction(*context, options);

    int status = 0;
    {
        // Headless runs, renders, captures and an explicit --fps use the fixed step, so
        // they repeat frame for frame; a window alone plays in real time.
        const bool fixed = offscreen || options.fps > 0 || !options.captures.empty();
        const int fps = options.fps > 0 ? options.fps : 60;
        auto demo = std::make_unique<CSDLDemoSystem>(context.get(), fixed);
        if (options.authoredHeight > 0)
            demo->m_nAuthoredHeight = options.authoredHeight;
        if (!demo->Init(kScriptName, options.width, options.height)) {
            Fail("the production could not start at " + std::to_string(options.width) + "x" +
                 std::to_string(options.height) + " (-v says why)");
            return 1;
        }
        LoopLimits limits;
        limits.maxFrames = options.frames;
        limits.maxSeconds = options.duration;
        std::unique_ptr<CRenderOutput> render;
        std::optional<CInterruptFlag> interrupt;
        if (rendering) {
            auto* audio = static_cast<CSDLAudioManager*>(demo->m_pAudio.get());
            render = std::make_unique<CRenderOutput>(static_cast<CGLRenderer&>(*demo->m_pRenderer),
                                                     audio ? audio->GetPulledOutput() : nullptr, fps,
                                                     FrameBudget(options, fps));
            // Ctrl-C from here on stops between frames and still closes the file properly.
            interrupt.emplace();
            if (!render->Open(renderPath)) {
                Fail(render->Error());
                return 1;
            }
            // Without a limit the render runs until "exitdemo", or until the script has
            // nothing more to read: never forever.
            limits.stopAtScriptEnd = options.frames < 0 && options.duration < 0;
        }
        CFrameClock clock = fixed ? CFrameClock::FixedStep(fps) : CFrameClock::RealTime();
        const bool announce = !offscreen && !options.quiet && !diag::IsEnabled();
        CPlayerHost host(*context, *demo, captures, observer, render.get(), announce);
        const LoopResult result = RunFrameLoop(*demo, clock, host, limits);
        // A run that met problems says so once, however quiet it was otherwise.
        const std::string summary = diag::SummaryLine(diag::IsEnabled());
        if (!options.quiet && !summary.empty())
            diag::Notice(summary);
        if (render) {
            const bool interrupted = CInterruptFlag::IsRaised() && !render->Failed();
            if (!render->Close()) {
                Fail("cannot write '" + options.render + "': " + render->Error());
                status = 1;
            } else if (interrupted && result.stopped) {
                // Stopped by Ctrl-C: the file is complete and plays, but holds less than was
                // asked for; 130 is what a shell reports for a run ended by SIGINT.
                Fail("interrupted: '" + options.render + "' holds the first " + std::to_string(render->Frames()) +
                     " frames and is complete");
                status = kInterruptedStatus;
            }
        }
        if (!host.AllWritten())
            status = 1;
    }
    return status;
}

int RunPlayer(int argc, char** argv)
{
    std::string error;
    const auto options = ParseCommandLine(argc, argv, error);
    if (!options) {
        Fail(error);
        return 2;
    }
    if (options->help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("marrowlight %s\n", ML_VERSION);
        return 0;
    }
    if (options->check && !options->render.empty()) {
        Fail("--check and --render cannot be used together");
        return 2;
    }
    if (options->strict && !options->check) {
        Fail("--strict goes with --check");
        return 2;
    }
    if (!options->render.empty() && !CMovieEncoder::ContainerFor(options->render) &&
        !CPngSequenceEncoder::ParsePattern(options->render)) {
        Fail("--render wants an .mp4 or .mkv file, or a numbered PNG sequence such as shot_%05d.png");
        return 2;
    }
    diag::SetEnabled(options->verbose || options->check);
    return PlayProduction(*options);
}
