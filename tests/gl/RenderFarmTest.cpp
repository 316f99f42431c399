// Renders cut into frame ranges: --jobs in child processes, --range segments and
// --join by hand, --plan run through GNU parallel, all against one-process
// renders of the same production; Ctrl-C and a failing range.
#include "MovieReader.h"
#include "RenderRunner.h"
#include "app/platform/Player.h"

#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

constexpr long kFrames = 32; // "exitdemo" is read on frame 31
const std::string kArgs = "--size 64x36 --fps 30 ";

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<float> ReadSound(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

// Peak signal-to-noise ratio of two RGBA frames over their colour channels.
double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (i % 4 == 3)
            continue;
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
        ++n;
    }
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

std::string Player(const std::string& arguments)
{
    std::string errors;
    const int status = RunPlayerBinary(arguments, &errors);
    return status == 0 ? std::string() : "status " + std::to_string(status) + ": " + errors;
}

TEST(RenderFarm, PngSequenceIsTheSameFromAnyNumberOfProcessesAndRanges)
{
    TempDir dir;
    const auto production = Stage(dir, "farm").string();
    for (const char* folder : {"one", "two", "range"})
        fs::create_directory(dir.Path() / folder);
    const auto pattern = [&](const char* folder) { return Quote((dir.Path() / folder / "f_%05d.png").string()) + " "; };
    ASSERT_EQ(Player(kArgs + "--jobs 1 --render " + pattern("one") + Quote(production)), "");
    ASSERT_EQ(Player(kArgs + "--jobs 2 --render " + pattern("two") + Quote(production)), "");
    // A range keeps the production's frame numbers, and its frames are those of the whole.
    ASSERT_EQ(Player(kArgs + "--range 12:20 --render " + pattern("range") + Quote(production)), "");

    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path() / "one")) {
        ++count;
        const auto name = entry.path().filename();
        EXPECT_EQ(Bytes(entry.path()), Bytes(dir.Path() / "two" / name)) << name;
    }
    EXPECT_EQ(count, static_cast<size_t>(kFrames));
    count = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path() / "range")) {
        ++count;
        EXPECT_EQ(Bytes(entry.path()), Bytes(dir.Path() / "one" / entry.path().filename())) << entry.path();
    }
    EXPECT_EQ(count, 8u);
    EXPECT_TRUE(fs::exists(dir.Path() / "range" / "f_00012.png"));
    EXPECT_TRUE(fs::exists(dir.Path() / "range" / "f_00019.png"));
}

TEST(RenderFarm, MovieFromRangesPlaysLikeOneRender)
{
    TempDir dir;
    const auto production = Stage(dir, "farm").string();
    const auto file = [&](const std::string& name) { return (dir.Path() / name).string(); };
    ASSERT_EQ(Player(kArgs + "--render " + Quote(file("single.mp4")) + " " + Quote(production)), "");
    ASSERT_EQ(Player(kArgs + "--threads 1 --jobs 3 --render " + Quote(file("jobs.mp4")) + " " + Quote(production)), "");

    const Movie single = ReadMovie(file("single.mp4"));
    const Movie jobs = ReadMovie(file("jobs.mp4"));
    ASSERT_TRUE(single.opened && jobs.opened);
    ASSERT_EQ(single.frames.size(), static_cast<size_t>(kFrames));
    ASSERT_EQ(jobs.frames.size(), single.frames.size());
    EXPECT_EQ(jobs.frameRate, single.frameRate);
    EXPECT_EQ(jobs.videoSeconds, single.videoSeconds);
    EXPECT_EQ(jobs.frameTimes, single.frameTimes);
    EXPECT_EQ(jobs.audioStart, single.audioStart);
    EXPECT_EQ(jobs.audio, single.audio); // the music encoded once, from the same samples
    for (size_t i = 0; i < single.frames.size(); ++i)
        EXPECT_GT(Psnr(jobs.frames[i], single.frames[i]), 45.0) << "frame " << i;

    // The same steps by hand: ranges, the music, the join.
    const std::string ranges[] = {"0:10", "10:21", "21:32"};
    std::string segments;
    for (int i = 0; i < 3; ++i) {
        const std::string segment = file("seg" + std::to_string(i) + ".mp4");
        ASSERT_EQ(Player(kArgs + "--threads 1 --range " + ranges[i] + " --render " + Quote(segment) + " " +
                      Quote(production)),
                  "");
        segments += " " + Quote(segment);
    }
    ASSERT_EQ(Player(kArgs + "--render-audio " + Quote(file("music.wav")) + " " + Quote(production)), "");
    ASSERT_EQ(Player("--join " + Quote(file("joined.mp4")) + " " + Quote(file("music.wav")) + segments), "");
    EXPECT_EQ(Bytes(file("joined.mp4")), Bytes(file("jobs.mp4")));

    // The music of a range is that range of the whole.
    ASSERT_EQ(Player(kArgs + "--range 10:21 --render-audio " + Quote(file("part.wav")) + " " + Quote(production)), "");
    const std::vector<float> whole = ReadSound(file("music.wav"));
    const std::vector<float> part = ReadSound(file("part.wav"));
    ASSERT_EQ(whole.size(), static_cast<size_t>(kFrames * kRate / 30 * 2));
    ASSERT_EQ(part.size(), static_cast<size_t>((21 * kRate / 30 - 10 * kRate / 30) * 2));
    EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 10 * kRate / 30 * 2));

    // Music of another length, or a segment of another size, is refused and nothing is written.
    ASSERT_EQ(Player(kArgs + "--range 0:10 --render " + Quote(file("small.mp4")) + " --size 32x18 " + Quote(production)),
              "");
    std::string errors;
    EXPECT_EQ(RunPlayerBinary("--join " + Quote(file("bad.mp4")) + " " + Quote(file("part.wav")) + segments, &errors), 1);
    EXPECT_NE(errors.find("part.wav"), std::string::npos) << errors;
    EXPECT_EQ(RunPlayerBinary("--join " + Quote(file("bad.mp4")) + " " + Quote(file("small.mp4")) + segments, &errors), 1);
    EXPECT_NE(errors.find("same size"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(file("bad.mp4")));
    EXPECT_FALSE(fs::exists(file(".bad.partial.mp4")));

    // The plan, run by GNU parallel: every line but the join in any order, then the join;
    // a name with spaces comes through the shell whole.
    if (std::system("parallel --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps installs it)";
    const std::string plan = file("plan.txt");
    ASSERT_EQ(std::system(("'" + std::string(ML_PLAYER_PATH) + "' " + kArgs + "--threads 1 --plan 3 --render " +
                           Quote(file("planned take 2.mp4")) + " " + Quote(production) + " > " + Quote(plan))
                              .c_str()),
              0);
    const std::string steps = "head -n -1 " + Quote(plan) + " | parallel --halt now,fail=1 && tail -n 1 " +
                              Quote(plan) + " | sh";
    ASSERT_EQ(std::system(("EGL_PLATFORM=surfaceless bash -c " + Quote(steps)).c_str()), 0);
    EXPECT_EQ(Bytes(file("planned take 2.mp4")), Bytes(file("jobs.mp4")));
}

TEST(RenderFarm, CtrlCStopsEveryRangeAndLeavesNoMovie)
{
    TempDir dir;
    const auto production = Stage(dir, "endless");
    const std::string out = (dir.Path() / "cut.mp4").string();
    const std::string errFile = (dir.Path() / "stderr.txt").string();
    const pid_t pid = Spawn({"--size", "64x36", "--fps", "30", "--frames", "20000", "--jobs", "2", "--render", out,
                             production.string()},
                            errFile);
    ASSERT_GT(pid, 0);
    // Interrupt once both ranges are under way: each has written its segment's header.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto segments = [&] {
        size_t n = 0;
        std::error_code ec;
        for (const auto& folder : fs::directory_iterator(dir.Path(), ec))
            if (folder.is_directory() && folder.path().filename().string().starts_with(".cut.parts-"))
                for (const auto& f : fs::directory_iterator(folder.path(), ec))
                    n += f.path().filename().string().find(".part-") != std::string::npos;
        return n;
    };
    while (std::chrono::steady_clock::now() < deadline && segments() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int raw = 0;
    ASSERT_TRUE(WaitFor(pid, raw, std::chrono::seconds(60))) << "the render did not stop";
    const std::string errors = Bytes(errFile);
    ASSERT_TRUE(WIFEXITED(raw)) << errors;
    EXPECT_EQ(WEXITSTATUS(raw), kInterruptedStatus) << errors;
    EXPECT_NE(errors.find("interrupted"), std::string::npos) << errors;
    // Nothing under the output's name, no parts left behind.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.path().filename() == "endless" || entry.path().filename() == "common" ||
                    entry.path().filename() == "stderr.txt")
            << entry.path();
}

TEST(RenderFarm, EachProblemIsSaidOnceHoweverManyProcessesRunTheScript)
{
    TempDir dir;
    const auto production = Stage(dir, "farm"); // an unknown keyword, and no fade material
    fs::create_directory(dir.Path() / "png");
    const std::string args = kArgs + "--jobs 3 --render " + Quote((dir.Path() / "png" / "f_%05d.png").string()) + " ";
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    std::string errors;
    EXPECT_EQ(RunPlayerBinary(args + "-v " + Quote(production.string()), &errors), 0) << errors;
    EXPECT_EQ(count(errors, "bogus"), 1u) << errors;
    EXPECT_EQ(count(errors, "FaderMaterial"), 2u) << errors; // the report, then the summary naming it
    EXPECT_EQ(count(errors, "marrowlight: 2 problems"), 1u) << errors;
    EXPECT_EQ(RunPlayerBinary(args + Quote(production.string()), &errors), 0) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(count(errors, "marrowlight: 2 problems"), 1u) << errors;
}

TEST(RenderFarm, AFailingRangeFailsTheRenderWithItsMessage)
{
    TempDir dir;
    const auto production = Stage(dir, "farm").string();
    // Frame 20's file cannot be made: a folder has its name.
    fs::create_directories(dir.Path() / "png" / "f_00020.png");
    std::string errors;
    EXPECT_EQ(RunPlayerBinary(kArgs + "--jobs 2 --render " + Quote((dir.Path() / "png" / "f_%05d.png").string()) + " " +
                                  Quote(production),
                              &errors),
              1);
    EXPECT_TRUE(std::regex_search(errors, std::regex("frames 16 to 31 failed: .*f_00020\\.png"))) << errors;
    EXPECT_EQ(std::regex_search(errors, std::regex("failed.*\n.*failed")), false) << errors;
    for (const auto& entry : fs::directory_iterator(dir.Path() / "png"))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
}

} // namespace
