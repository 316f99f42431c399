// The showcase production (examples/showcase, generated into the build tree):
// it plays from start to "exitdemo" without a single report, shows something
// in every section, its scripts use every command of the demo table, and its
// music beats at the tempo the script waits for.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include "audio/AudioDecoder.h"
#include "script/DemoCommands.h"

#include <algorithm>
#include <cmath>

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

    const ProductionRun run = RunProductionAt(ML_SHOWCASE_DIR, keep, kFps, 700, {}, 96, 54);
    EXPECT_EQ(run.status, 0);
    std::string reports;
    for (const std::string& r : run.reports)
        reports += r + "\n";
    EXPECT_TRUE(run.reports.empty()) << reports;
    // "exitdemo" ends it, well before the frame limit.
    EXPECT_EQ(run.frames, last + 1);

    for (const auto& [frame, what] : sections) {
        const Image& image = run.images.at(frame);
        EXPECT_GT(MeanLevel(image), 8.0) << "frame " << frame << " (" << what << ") is nearly black";
        EXPECT_GT(MaxLevel(image), 120) << "frame " << frame << " (" << what << ") has nothing bright";
    }
    // Faded out at the end.
    EXPECT_LT(MaxLevel(run.images.at(last)), 40);
}

TEST(Showcase, ChecksClean)
{
    std::string errors;
    EXPECT_EQ(RunPlayerBinary("--check '" + std::string(ML_SHOWCASE_DIR) + "'", &errors), 0) << errors;
    EXPECT_EQ(errors, "");
}

TEST(Showcase, ScriptsUseEveryCommand)
{
    std::set<size_t> seen;
    const auto table = RecordingTable(std::make_index_sequence<kDemoCommandCount>());
    {
        ScopedChdir cd(ML_SHOWCASE_DIR);
        CScriptReader reader("DemoScript.txt", table.data(), kDemoCommandCount);
        EXPECT_TRUE(reader.ReadCommands(&seen)); // no unknown keyword on the way
    }
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_TRUE(seen.count(i)) << "the showcase never uses \"" << table[i].keyword << "\"";
}

TEST(Showcase, MusicBeatsWhereTheScriptWaitsForIt)
{
    // The script's "delayuntil music" times assume 120 BPM: a kick on every
    // half second from 8 s to 40 s, and no drums in the first 4 s.
    std::string error;
    auto decoder = CAudioDecoder::Open(std::string(ML_SHOWCASE_DIR) + "/Data/Music/showcase.ogg", error);
    ASSERT_TRUE(decoder) << error;
    const int rate = decoder->GetRate();
    ASSERT_EQ(rate, 44100);
    std::vector<float> samples(static_cast<size_t>(rate) * 52 * 2);
    const int frames = decoder->Read(samples.data(), rate * 52);
    EXPECT_GT(frames, rate * 49); // 48 s of bars and a tail
    auto energy = [&](double from, double to) {
        double sum = 0.0;
        for (int i = static_cast<int>(from * rate); i < static_cast<int>(to * rate); ++i)
            sum += double(samples[2 * size_t(i)]) * samples[2 * size_t(i)];
        return sum;
    };
    // Energy from 8 s to 40 s folded over one period, in 50 steps: with the true
    // period the kicks pile up in the first step; with a wrong one it is flat.
    auto fold = [&](double period, int& loudest) {
        std::vector<double> steps(50, 0.0);
        for (double start = 8.0; start + period <= 40.0; start += period)
            for (size_t k = 0; k < steps.size(); ++k)
                steps[k] += energy(start + period * k / 50.0, start + period * (k + 1) / 50.0);
        loudest = static_cast<int>(std::max_element(steps.begin(), steps.end()) - steps.begin());
        double mean = 0.0;
        for (double e : steps)
            mean += e / steps.size();
        return steps[size_t(loudest)] / mean;
    };
    int loudest = -1;
    EXPECT_GT(fold(0.5, loudest), 2.0);
    EXPECT_EQ(loudest, 0) << "the loudest part of a beat is not its start";
    EXPECT_LT(fold(0.47, loudest), 1.3);
    EXPECT_LT(fold(0.53, loudest), 1.3);
    // The intro (pads only) is softer than the groove.
    EXPECT_LT(energy(0.5, 4.0) / 3.5, 0.8 * energy(8.0, 24.0) / 16.0);
}

#endif
