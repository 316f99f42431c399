// The player's entry: command line, context, demo system, loop and captures.
#include "app/platform/Player.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameClock.h"
#include "app/PlayerLoop.h"
#include "app/ScriptCheck.h"
#include "app/farm/AudioPass.h"
#include "app/farm/RenderFarm.h"
#include "app/farm/SegmentJoiner.h"
#include "app/platform/EglContext.h"
#include "app/platform/InterruptFlag.h"
#include "app/platform/LiveWindow.h"
#include "app/platform/MovieEncoder.h"
#include "app/platform/PngSequenceEncoder.h"
#include "app/platform/RenderOutput.h"
#include "app/platform/SDLDemoSystem.h"
#include "app/platform/SdlWindow.h"
#include "app/starter/StarterProduction.h"
#include "assets/FilePath.h"
#include "audio/sdl/SDLAudioManager.h"
#include "live/ProductionSession.h"
#include "render/gl/GLRenderer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
} // namespace

void ReportFailure(std::string message)
{
    // One line, whatever a library put in the text.
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "marrowlight: %s\n", message.c_str());
}

namespace {

void Fail(std::string message)
{
    ReportFailure(std::move(message));
}

// The first frame N with N / fps at or after the time.
long FirstFrameAt(double seconds, int fps)
{
    long n = static_cast<long>(std::ceil(seconds * fps));
    while (n > 0 && static_cast<double>(n - 1) / fps >= seconds)
        --n;
    while (static_cast<double>(n) / fps < seconds)
        ++n;
    return n;
}

// Frames a fixed-step run of these limits draws at most; -1 when unbounded.
long FrameBudget(const PlayerOptions& options, int fps)
{
    long frames = options.frames;
    if (options.duration >= 0.0) {
        // The loop stops before the first frame at which frames / fps >= duration.
        const long n = FirstFrameAt(options.duration, fps);
        frames = frames < 0 ? n : std::min(frames, n);
    }
    return frames;
}

// Window messages and what happens to each drawn frame.
class CPlayerHost : public IFrameHost {
public:
    CPlayerHost(CPlatformContext& context, CProductionSession& session, std::vector<CaptureRequest> captures,
                const FrameObserver& observer, CRenderOutput* render, bool announceFirstProblem)
        : m_Context(context), m_Session(session), m_Captures(std::move(captures)), m_Observer(observer),
          m_pRender(render), m_Written(m_Captures.size(), false), m_bAnnounce(announceFirstProblem)
    {
    }

    // The author's keys, reload and overlay in a window; null otherwise.
    void SetLive(CLiveWindow* live) { m_pLive = live; }

    bool PumpMessages() override
    {
        if (!m_Context.PumpEvents())
            return false;
        if (m_pLive)
            m_pLive->Keys(m_Context.TakeKeys());
        return true;
    }

    FrameGate BeforeFrame() override { return m_pLive ? m_pLive->BeforeFrame() : FrameGate::Run; }

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
            auto& renderer = static_cast<CGLRenderer&>(*m_Session.Demo().m_pRenderer);
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
            m_Observer(index, m_Session.Demo());
        if (m_pLive)
            m_pLive->FrameDrawn();
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
    CProductionSession& m_Session;
    std::vector<CaptureRequest> m_Captures;
    const FrameObserver& m_Observer;
    CRenderOutput* m_pRender;
    CLiveWindow* m_pLive = nullptr;
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
    // Capture, render and screenshot files are named relative to where the player was started.
    const std::string startFolder = std::filesystem::current_path().string();
    std::vector<CaptureRequest> captures = options.captures;
    for (CaptureRequest& c : captures)
        c.file = std::filesystem::absolute(c.file).string();
    const bool rendering = !options.render.empty();
    const std::string renderPath = rendering ? std::filesystem::absolute(options.render).string() : std::string();
    const bool audioPass = options.countFrames || !options.renderAudio.empty();
    const std::string audioPath =
        options.renderAudio.empty() ? std::string() : std::filesystem::absolute(options.renderAudio).string();
    // A share of the cores: Mesa's software rasterizer takes its threads from here.
    if (options.threads > 0)
        setenv("LP_NUM_THREADS", std::to_string(options.threads).c_str(), 1);
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
    const bool offscreen = options.headless || options.check || rendering || audioPass;
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
        // The session makes the demo system, and makes it again for every replay.
        CProductionSession session(
            [&]() -> std::unique_ptr<CDemoSystem> {
                auto demo = std::make_unique<CSDLDemoSystem>(context.get(), fixed);
                if (options.authoredHeight > 0)
                    demo->m_nAuthoredHeight = options.authoredHeight;
                if (!demo->Init(kScriptName, options.width, options.height))
                    return nullptr;
                return demo;
            },
            fps, fixed);
        if (!session.Start()) {
            Fail("the production could not start at " + std::to_string(options.width) + "x" +
                 std::to_string(options.height) + " (-v says why)");
            return 1;
        }
        // Without a limit a render ends with "exitdemo", or when the script has nothing more to
        // read: never runs forever.
        const bool toScriptEnd = options.frames < 0 && options.duration < 0;
        // A range's end: its own, or the production's limits if sooner.
        const long budget = FrameBudget(options, fps);
        const bool ranged = options.rangeFrom >= 0;
        const long rangeEnd = !ranged ? budget : budget >= 0 ? std::min(budget, options.rangeTo) : options.rangeTo;
        const auto pulledOutput = [](CDemoSystem& demo) {
            auto* audio = static_cast<CSDLAudioManager*>(demo.m_pAudio.get());
            return audio ? audio->GetPulledOutput() : nullptr;
        };
        if (audioPass) {
            AudioPassRequest request;
            request.file = audioPath;
            request.firstFrame = ranged ? options.rangeFrom : 0;
            request.endFrame = rangeEnd;
            request.stopAtScriptEnd = toScriptEnd;
            request.printFrames = options.countFrames;
            return RunAudioPass(session, pulledOutput, request);
        }
        LoopLimits limits;
        limits.maxFrames = options.frames;
        limits.maxSeconds = options.duration;
        if (ranged) {
            limits.maxFrames = std::max(0L, rangeEnd - options.rangeFrom);
            limits.maxSeconds = -1.0;
        }
        limits.startFrame = FirstFrameAt(options.loopFrom >= 0.0 && options.start <= 0.0 ? options.loopFrom
                                                                                      : options.start,
                                         fps);
        if (ranged)
            limits.startFrame = options.rangeFrom;
        std::unique_ptr<CRenderOutput> render;
        std::optional<CInterruptFlag> interrupt;
        if (rendering) {
            CDemoSystem& demo = session.Demo();
            render = std::make_unique<CRenderOutput>(static_cast<CGLRenderer&>(*demo.m_pRenderer), pulledOutput(demo),
                                                     fps, ranged ? limits.maxFrames : budget);
            render->SetSegment(ranged ? options.rangeFrom : -1, options.threads, options.progressLines);
            session.SetBeforeReplay([&] { render->Drain(); });
            session.SetOnReplay([&](CDemoSystem& replayed) {
                render->Rebind(static_cast<CGLRenderer&>(*replayed.m_pRenderer), pulledOutput(replayed));
            });
            session.SetInterrupt([] { return CInterruptFlag::IsRaised(); });
            // Ctrl-C from here on stops between frames and still closes the file properly.
            interrupt.emplace();
            if (!render->Open(renderPath)) {
                Fail(render->Error());
                return 1;
            }
            limits.stopAtScriptEnd = toScriptEnd;
        }
        CFrameClock clock = fixed ? CFrameClock::FixedStep(fps) : CFrameClock::RealTime();
        const bool announce = !offscreen && !options.quiet && !diag::IsEnabled();
        CPlayerHost host(*context, session, captures, observer, render.get(), announce);
        std::optional<CLiveWindow> live;
        if (!offscreen) {
            live.emplace(session, options.watch, startFolder);
            if (options.loopFrom >= 0.0)
                live->Control().SetLoop(options.loopFrom, options.loopTo);
            host.SetLive(&*live);
        }
        const LoopResult result = RunFrameLoop(session, clock, host, limits);
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
    if (!options->join.empty())
        return RunJoin(options->join, options->joinInputs);
    const bool farm = options->jobs > 0 || options->plan > 0;
    if (farm && options->render.empty()) {
        Fail("--jobs and --plan cut a render into ranges: give --render FILE");
        return 2;
    }
    if (farm && options->rangeFrom >= 0) {
        Fail("--jobs and --plan choose the ranges themselves; --range does not go with them");
        return 2;
    }
    if ((farm || options->rangeFrom >= 0 || !options->renderAudio.empty() || options->countFrames) &&
        (options->start > 0.0 || !options->captures.empty() || options->check)) {
        Fail("--range, --jobs, --plan, --render-audio and --count-frames do not go with --start, --capture or --check");
        return 2;
    }
    if (options->rangeFrom >= 0 && options->render.empty() && options->renderAudio.empty() && !options->countFrames) {
        Fail("--range goes with --render, --render-audio or --count-frames");
        return 2;
    }
    if (!options->renderAudio.empty() && !options->render.empty()) {
        Fail("--render-audio writes the music alone; render the pictures with a separate --render");
        return 2;
    }
    if (!options->renderAudio.empty() && !IsAudioFileName(options->renderAudio)) {
        Fail("--render-audio writes a .wav or .flac file");
        return 2;
    }
    if (options->jobs > 0 && options->plan > 0) {
        Fail("--jobs renders here, --plan prints the commands for elsewhere: choose one");
        return 2;
    }
    if (options->check && !options->render.empty()) {
        Fail("--check and --render cannot be used together");
        return 2;
    }
    if (options->check && (options->start > 0.0 || options->loopFrom >= 0.0)) {
        Fail("--check reads the whole script at once; --start and --loop do not go with it");
        return 2;
    }
    if (options->loopFrom >= 0.0 && (options->headless || !options->render.empty())) {
        Fail("--loop plays in a window; it does not go with --headless or --render");
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
    if (!options->newProduction.empty()) {
        if (!WriteStarterProduction(options->newProduction, error)) {
            Fail(error);
            return 1;
        }
        std::printf("wrote a new production to %s\nplay it:   marrowlight --windowed %s\n",
                    options->newProduction.c_str(), options->newProduction.c_str());
        return 0;
    }
    diag::SetEnabled(options->verbose || options->check);
    if (farm)
        return RunRenderFarm(*options, argc, argv);
    return PlayProduction(*options);
}
