// --render through the player binary: a production rendered to a movie and read
// back; files that cannot be written; Ctrl-C mid-render. PNG sequences are checked
// by the writer and farm tests, tracker music through the same fixed-step mixer
// by its own tests.
#include "MovieReader.h"
#include "RenderRunner.h"
#include "app/platform/Player.h"

#include <regex>

namespace {

constexpr int kFps = 30;
constexpr size_t kFrames = 23;     // "exitdemo" is read on frame 22
constexpr size_t kFirstGreen = 15; // the first frame whose music is the tone

std::array<int, 3> Centre(const Movie& movie, size_t frame)
{
    const auto& f = movie.frames.at(frame);
    const size_t i = (static_cast<size_t>(movie.height / 2) * static_cast<size_t>(movie.width) +
                      static_cast<size_t>(movie.width / 2)) * 4;
    return {f[i], f[i + 1], f[i + 2]};
}

// Seconds on the file's timeline of the first loud sample of the left channel.
double Onset(const Movie& movie)
{
    const auto& left = movie.audio.at(0);
    for (size_t i = 0; i < left.size(); ++i)
        if (std::abs(left[i]) > 0.25f)
            return movie.audioStart + static_cast<double>(i) / movie.audioRate;
    return -1.0;
}

TEST(Render, MovieHoldsEveryFrameWithItsOwnMusic)
{
    TempDir dir;
    const auto production = Stage(dir, "render");
    const std::string out = (dir.Path() / "out.mp4").string();
    std::string errors;
    ASSERT_EQ(RunPlayerBinary("--size 64x36 --fps 30 --render " + Quote(out) + " " + Quote(production.string()), &errors),
              0)
        << errors;
    // No progress line (stderr is not a terminal); the one problem summed up.
    EXPECT_EQ(errors, "marrowlight: 1 problem: DemoScript.txt:15: unknown keyword 'bogus' (run with -v or --check to "
                      "see them all)\n");

    const Movie movie = ReadMovie(out);
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.width, 64);
    EXPECT_EQ(movie.height, 36);
    EXPECT_NEAR(movie.frameRate, kFps, 0.01);
    ASSERT_EQ(movie.frames.size(), kFrames);
    EXPECT_TRUE(Near(Centre(movie, 0), {255, 0, 0}, 12));
    EXPECT_TRUE(Near(Centre(movie, kFirstGreen - 1), {255, 0, 0}, 12));
    EXPECT_TRUE(Near(Centre(movie, kFirstGreen), {0, 255, 0}, 12));
    EXPECT_TRUE(Near(Centre(movie, kFrames - 1), {0, 255, 0}, 12));

    // The sound is exactly as long as the picture: 23 frames of 1470 samples, within
    // the one AAC frame the encoder may pad to.
    ASSERT_EQ(movie.audioChannels, 2);
    ASSERT_EQ(movie.audioRate, kRate);
    const double videoEnd = movie.videoSeconds;
    EXPECT_NEAR(videoEnd - movie.frameTimes[0], static_cast<double>(kFrames) / kFps, 0.002);
    EXPECT_NEAR(movie.audioStart + static_cast<double>(movie.audio[0].size()) / kRate, videoEnd, 1024.0 / kRate);
    EXPECT_NEAR(static_cast<double>(movie.audio[0].size()), kFrames * kRate / kFps, 1024.0);

    // The tone starts with the first green frame, half a second in: frame 7 held the
    // clock for a frame while the music played on, as on a sound card, and the movie
    // carries that frame's music. Music held still with it would start 33 ms late.
    const double greenAt = movie.frameTimes[kFirstGreen];
    EXPECT_NEAR(Onset(movie), greenAt, 0.006) << "green frame at " << greenAt;
    EXPECT_NEAR(greenAt - movie.frameTimes[0], static_cast<double>(kFirstGreen) / kFps, 0.002);
    const size_t n = movie.audio[1].size();
    EXPECT_NEAR(Rms(movie.audio[1], n - 8192, n - 1024), 0.25 / std::sqrt(2.0), 0.02);
}

TEST(Render, FilesThatCannotBeWrittenFailInOneLine)
{
    TempDir dir;
    const auto production = Stage(dir, "render");
    std::string errors;
    const std::string nowhere = (dir.Path() / "missing" / "out.mp4").string();
    EXPECT_EQ(RunPlayerBinary("--size 64x36 --render " + Quote(nowhere) + " " + Quote(production.string()), &errors), 1);
    EXPECT_NE(errors.find("out.mp4"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_FALSE(std::filesystem::exists(nowhere));

}


TEST(Render, CtrlCStopsTheRenderAndLeavesAPlayableMovie)
{
    TempDir dir;
    const auto production = Stage(dir, "endless");
    const std::string out = (dir.Path() / "cut.mp4").string();
    const std::string errFile = (dir.Path() / "stderr.txt").string();
    const pid_t pid = Spawn({"--size", "64x36", "--fps", "30", "--render", out, production.string()}, errFile);
    ASSERT_GT(pid, 0);
    // The file appears once the production has started; let it render a while, then interrupt.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::error_code ec;
    while (std::chrono::steady_clock::now() < deadline && !std::filesystem::exists(out, ec))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int raw = 0;
    ASSERT_TRUE(WaitFor(pid, raw, std::chrono::seconds(60))) << "the render did not stop";
    std::ifstream in(errFile);
    const std::string errors((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    EXPECT_EQ(WEXITSTATUS(raw), kInterruptedStatus) << errors;

    // The message says how many frames the file holds; FFmpeg finds exactly those.
    std::smatch match;
    ASSERT_TRUE(std::regex_search(errors, match, std::regex("holds the first ([0-9]+) frames"))) << errors;
    const size_t frames = std::stoul(match[1]);
    const Movie movie = ReadMovie(out);
    ASSERT_TRUE(movie.opened);
    EXPECT_GT(frames, 0u);
    EXPECT_EQ(movie.frames.size(), frames);
    EXPECT_TRUE(Near(Centre(movie, frames - 1), {0, 0, 255}, 12));
    EXPECT_NEAR(movie.audioStart + static_cast<double>(movie.audio.at(0).size()) / kRate, movie.videoSeconds,
                1024.0 / kRate);
}

} // namespace
