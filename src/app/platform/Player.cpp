// The player's entry: command line, context, demo system, loop and captures.
#include "app/platform/Player.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameClock.h"
#include "app/PlayerLoop.h"
#include "app/platform/EglContext.h"
#include "app/platform/SDLDemoSystem.h"
#include "app/platform/SdlWindow.h"
#include "render/gl/GLRenderer.h"

#include <cstdio>
#include <filesystem>
#include <stb_image_write.h>
#include <system_error>
#include <vector>

#ifndef ML_VERSION
#define ML_VERSION "0.1.0"
#endif

namespace {

void Fail(const std::string& message)
{
    std::fprintf(stderr, "marrowlight: %s\n", message.c_str());
}

// Window messages and what happens to each drawn frame.
class CPlayerHost : public IFrameHost {
public:
    CPlayerHost(CPlatformContext& context, CDemoSystem& demo, std::vector<CaptureRequest> captures,
                const FrameObserver& observer)
        : m_Context(context), m_Demo(demo), m_Captures(std::move(captures)), m_Observer(observer),
          m_Written(m_Captures.size(), false)
    {
    }

    bool PumpMessages() override { return m_Context.PumpEvents(); }

    void FrameDrawn(long index) override
    {
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
    std::vector<bool> m_Written;
    std::vector<uint8_t> m_Pixels;
};

} // namespace

int PlayProduction(const PlayerOptions& options, const FrameObserver& observer)
{
    // Capture files are named relative to where the player was started.
    std::vector<CaptureRequest> captures = options.captures;
    for (CaptureRequest& c : captures)
        c.file = std::filesystem::absolute(c.file).string();
    if (!options.productionDir.empty()) {
        std::error_code ec;
        std::filesystem::current_path(options.productionDir, ec);
        if (ec) {
            Fail("cannot enter the production directory '" + options.productionDir + "': " + ec.message());
            return 1;
        }
    }

    std::string error;
    std::unique_ptr<CPlatformContext> context;
    if (options.headless)
        context = CEglContext::Create(error);
    else
        context = CSdlWindow::Create(options.width, options.height, options.windowed, error);
    if (!context) {
        Fail(error);
        return 1;
    }

    int status = 0;
    {
        // Headless runs, captures and an explicit --fps use the fixed step, so
        // they repeat frame for frame; a window alone plays in real time.
        const bool fixed = options.headless || options.fps > 0 || !options.captures.empty();
        auto demo = std::make_unique<CSDLDemoSystem>(context.get(), fixed);
        if (!demo->Init("DemoScript.txt", options.width, options.height)) {
            Fail("the production could not start at " + std::to_string(options.width) + "x" +
                 std::to_string(options.height) + " (-v says why)");
            return 1;
        }
        CFrameClock clock = fixed ? CFrameClock::FixedStep(options.fps > 0 ? options.fps : 60) : CFrameClock::RealTime();
        CPlayerHost host(*context, *demo, captures, observer);
        LoopLimits limits;
        limits.maxFrames = options.frames;
        limits.maxSeconds = options.duration;
        RunFrameLoop(*demo, clock, host, limits);
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
    if (!options->render.empty()) {
        Fail("--render is not available yet");
        return 2;
    }
    if (options->check) {
        Fail("--check is not available yet");
        return 2;
    }
    diag::SetEnabled(options->verbose);
    return PlayProduction(*options);
}
