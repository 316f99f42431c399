// The showcase production (examples/showcase, generated into the build tree):
// it plays from start to "exitdemo" without a single report, shows something
// in every section, and its scripts use every command of the demo table.
#include "ProductionRunner.h"

#include "script/DemoCommands.h"

#include <utility>

#ifdef ML_SHOWCASE_DIR

namespace {

// Mean of all channels of all pixels, 0 to 255.
double MeanLevel(const Image& image)
{
    double sum = 0.0;
    for (uint8_t v : image.rgb)
        sum += v;
    return image.rgb.empty() ? 0.0 : sum / static_cast<double>(image.rgb.size());
}

int MaxLevel(const Image& image)
{
    int most = 0;
    for (uint8_t v : image.rgb)
        most = std::max(most, static_cast<int>(v));
    return most;
}

// A keyword table whose handler N records entry N and reads on, so one call
// reads a script and everything it includes.
template <size_t N>
bool Record(const ScriptArgs&, void* seen)
{
    static_cast<std::set<size_t>*>(seen)->insert(N);
    return false;
}

template <size_t... N>
std::array<ScriptCommand, sizeof...(N)> RecordingTable(std::index_sequence<N...>)
{
    return {ScriptCommand{kDemoCommands[N].keyword, &Record<N>}...};
}

} // namespace

TEST(Showcase, PlaysToItsEndWithoutReportsAndShowsEverySection)
{
    // A step of 1/8 s keeps every time of the script exact in floats. The first
    // frame only loads; the music starts on frame 1.
    constexpr int kFps = 8;
    auto frameAt = [](double music) { return 1 + static_cast<long>(music * kFps); };
    const std::map<long, const char*> sections = {
        {frameAt(3.5), "intro: sky, logo and title"},
        {frameAt(12.0), "models: torus and gem"},
        {frameAt(30.0), "tunnel"},
        {frameAt(33.0), "tunnel with the kaleidoscope"},
        {frameAt(43.0), "outro: logo, title, credits"},
    };
    std::set<long> keep;
    for (const auto& [frame, what] : sections)
        keep.insert(frame);
    const long last = frameAt(48.5); // "exitdemo": its frame is still drawn
    keep.insert(last);

    ProductionRun run;
    PlayerOptions options;
    options.headless = true;
    options.width = 96;
    options.height = 54;
    options.fps = kFps;
    options.frames = 700;
    options.productionDir = ML_SHOWCASE_DIR;
    diag::SetEnabled(true);
    diag::SetSink([&run](const std::string& line) { run.reports.push_back(line); });
    const auto cwd = std::filesystem::current_path();
    run.status = PlayProduction(options, [&](long frame, CDemoSystem& demo) {
        run.frames = frame + 1;
        if (!keep.count(frame))
            return;
        auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
        Image image;
        image.width = renderer.Width();
        image.height = renderer.Height();
        renderer.ReadBackBuffer(image.rgb);
        run.images[frame] = std::move(image);
    });
    std::filesystem::current_path(cwd);
    diag::SetSink({});
    diag::SetEnabled(false);

    EXPECT_EQ(run.status, 0);
    std::string reports;
    for (const std::string& r : run.reports)
        reports += r + "\n";
    EXPECT_TRUE(run.reports.empty()) << reports;
    // "exitdemo" ends it, well before the frame limit.
    EXPECT_EQ(run.frames, last + 1);

    for (const auto& [frame, what] : sections) {
        const Image& image = run.images[frame];
        EXPECT_GT(MeanLevel(image), 8.0) << "frame " << frame << " (" << what << ") is nearly black";
        EXPECT_GT(MaxLevel(image), 120) << "frame " << frame << " (" << what << ") has nothing bright";
    }
    // Faded out at the end.
    EXPECT_LT(MaxLevel(run.images[last]), 40);
}

TEST(Showcase, ScriptsUseEveryCommand)
{
    std::set<size_t> seen;
    const auto table = RecordingTable(std::make_index_sequence<kDemoCommandCount>());
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(ML_SHOWCASE_DIR);
    {
        CScriptReader reader("DemoScript.txt", table.data(), kDemoCommandCount);
        EXPECT_TRUE(reader.ReadCommands(&seen)); // no unknown keyword on the way
    }
    std::filesystem::current_path(cwd);
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_TRUE(seen.count(i)) << "the showcase never uses \"" << table[i].keyword << "\"";
}

#endif
