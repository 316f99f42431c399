// The --render output: movies and PNG sequences written, then read back with
// FFmpeg and stb_image; interruption, errors from the encoder thread, progress text.
#include "ProductionRunner.h"
#include "app/platform/InterruptFlag.h"
#include "app/platform/PngSequenceEncoder.h"
#include "app/platform/ProgressReporter.h"
#include "app/platform/RenderOutput.h"
#include "app/platform/VideoWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include <stb_image.h>

#include "MovieReader.h"

namespace {

constexpr int kRate = 44100;

// A picture that differs in every pixel and every frame: x and y ramps, frame in blue,
// clear of 0 and 255 so coding errors are not clipped away.
std::vector<uint8_t> Picture(int width, int height, int frame)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width * height * 4));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[static_cast<size_t>((y * width + x) * 4)];
            p[0] = static_cast<uint8_t>(20 + x * 3);
            p[1] = static_cast<uint8_t>(20 + y * 6);
            p[2] = static_cast<uint8_t>(40 + frame * 6);
            p[3] = static_cast<uint8_t>(frame * 50); // alpha varies: never shown
        }
    return rgba;
}

// A 440 Hz tone, louder on the left than on the right, continuous across frames.
std::vector<float> Tone(int64_t firstSample, size_t count)
{
    std::vector<float> samples(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(firstSample + static_cast<int64_t>(i)) / kRate;
        const float s = static_cast<float>(std::sin(2 * std::numbers::pi * 440 * t));
        samples[i * 2] = 0.5f * s;
        samples[i * 2 + 1] = 0.25f * s;
    }
    return samples;
}

// Writes frames [0, count) of the picture and tone; stops early when stopAt() says so.
template <class Stop>
long WriteClip(CVideoWriter& writer, int width, int height, int fps, long count, Stop stopAt)
{
    int64_t sample = 0;
    long n = 0;
    for (; n < count && !stopAt(n); ++n) {
        const auto pixels = Picture(width, height, static_cast<int>(n));
        const size_t samples = CVideoWriter::SamplesForFrame(n, kRate, fps);
        const auto tone = Tone(sample, samples);
        sample += static_cast<int64_t>(samples);
        EXPECT_TRUE(writer.PushFrame(pixels.data(), width * 4, tone.data(), samples)) << writer.Error();
    }
    return n;
}

// Checks a decoded frame against the picture it came from, over the written area.
void ExpectPicture(const Movie& movie, int frame, int width, int height)
{
    const auto expected = Picture(width, height, frame);
    const auto& got = movie.frames.at(static_cast<size_t>(frame));
    double total = 0;
    int worst = 0;
    double bias[3] = {0, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int e = expected[static_cast<size_t>((y * width + x) * 4 + c)];
                const int g = got[static_cast<size_t>((y * movie.width + x) * 4 + c)];
                total += std::abs(e - g);
                bias[c] += g - e;
                worst = std::max(worst, std::abs(e - g));
            }
    EXPECT_LT(total / (width * height * 3), 2.5) << "frame " << frame;
    EXPECT_LE(worst, 24) << "frame " << frame;
    for (double b : bias) // a frame out of place shows as 6 in blue
        EXPECT_LT(std::abs(b) / (width * height), 2.5) << "frame " << frame;
}

void ExpectAudioMatchesVideo(const Movie& movie)
{
    ASSERT_EQ(movie.audioChannels, 2);
    ASSERT_EQ(movie.audioRate, kRate);
    // Both end together on the file's timeline, give or take the encoder's last frame.
    const double audioEnd = movie.audioStart + static_cast<double>(movie.audio[0].size()) / kRate;
    EXPECT_NEAR(audioEnd, movie.videoSeconds, 1024.0 / kRate);
    // The tone came through, left twice as loud as right (AAC is not exact).
    const size_t n = movie.audio[0].size();
    ASSERT_GT(n, 4096u);
    EXPECT_NEAR(Rms(movie.audio[0], 2048, n - 2048), 0.5 / std::sqrt(2.0), 0.03);
    EXPECT_NEAR(Rms(movie.audio[1], 2048, n - 2048), 0.25 / std::sqrt(2.0), 0.02);
}

} // namespace

class MovieTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MovieTest, ClipReadsBackWithItsFramesColoursAndSound)
{
    TempDir dir;
    const std::string path = (dir.Path() / (std::string("clip") + GetParam())).string();
    CVideoWriter writer;
    ASSERT_TRUE(writer.Open(path, 64, 36, 30)) << writer.Error();
    EXPECT_EQ(WriteClip(writer, 64, 36, 30, 30, [](long) { return false; }), 30);
    ASSERT_TRUE(writer.Close()) << writer.Error();
    EXPECT_TRUE(writer.Close()); // twice is harmless
    EXPECT_FALSE(writer.PushFrame(Picture(64, 36, 0).data(), 64 * 4, nullptr, 0));

    const Movie movie = ReadMovie(path);
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.width, 64);
    EXPECT_EQ(movie.height, 36);
    EXPECT_NEAR(movie.frameRate, 30.0, 0.01);
    ASSERT_EQ(movie.frames.size(), 30u);
    // Matroska cannot store the AAC encoder's priming before 0, so there both
    // streams start one audio frame late; MP4 hides it with an edit list.
    EXPECT_LE(movie.frameTimes[0], 1024.0 / kRate + 0.001);
    for (size_t i = 0; i < movie.frameTimes.size(); ++i)
        EXPECT_NEAR(movie.frameTimes[i] - movie.frameTimes[0], static_cast<double>(i) / 30.0, 0.002);
    for (int f : {0, 1, 15, 29})
        ExpectPicture(movie, f, 64, 36);
    EXPECT_NEAR(movie.videoSeconds - movie.frameTimes[0], 1.0, 0.002);
    ExpectAudioMatchesVideo(movie);
}

INSTANTIATE_TEST_SUITE_P(Containers, MovieTest, ::testing::Values(".mp4", ".mkv", ".MKV"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST(VideoWriterTest, OddSizesArePaddedAndBottomUpRowsRead)
{
    TempDir dir;
    const std::string path = (dir.Path() / "odd.mp4").string();
    CVideoWriter writer;
    ASSERT_TRUE(writer.Open(path, 63, 35, 24, 48000, 2)) << writer.Error();
    // Bottom-up storage, as a GL read-back gives it: pass the top row and a negative stride.
    int64_t sample = 0;
    for (int f = 0; f < 10; ++f) {
        const auto top = Picture(63, 35, f);
        std::vector<uint8_t> flipped(top.size());
        for (int y = 0; y < 35; ++y)
            std::copy_n(&top[static_cast<size_t>(y * 63 * 4)], 63 * 4, &flipped[static_cast<size_t>((34 - y) * 63 * 4)]);
        const size_t n = CVideoWriter::SamplesForFrame(f, 48000, 24);
        sample += static_cast<int64_t>(n);
        ASSERT_TRUE(writer.PushFrame(&flipped[static_cast<size_t>(34 * 63 * 4)], -63 * 4, nullptr, n));
    }
    ASSERT_TRUE(writer.Close()) << writer.Error();
    EXPECT_EQ(sample, 20000);

    const Movie movie = ReadMovie(path);
    EXPECT_EQ(movie.width, 64);
    EXPECT_EQ(movie.height, 36);
    ASSERT_EQ(movie.frames.size(), 10u);
    ExpectPicture(movie, 9, 63, 35);
    // The added column repeats the last one, not black.
    EXPECT_NEAR(movie.frames[9][(10 * 64 + 63) * 4], 20 + 62 * 3, 12);
    ASSERT_EQ(movie.audioRate, 48000);
    EXPECT_NEAR(static_cast<double>(movie.audio[0].size()) / 48000, 10.0 / 24, 1024.0 / 48000);
    EXPECT_LT(Rms(movie.audio[0], 0, movie.audio[0].size()), 1e-3); // silence when no samples are given
}

TEST(VideoWriterTest, PngSequenceHoldsExactlyTheFramesAndPixels)
{
    TempDir dir;
    const std::string pattern = (dir.Path() / "shot_%03d.png").string();
    CVideoWriter writer;
    ASSERT_TRUE(writer.Open(pattern, 7, 5, 30)) << writer.Error();
    WriteClip(writer, 7, 5, 30, 4, [](long) { return false; });
    ASSERT_TRUE(writer.Close()) << writer.Error();

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"shot_000.png", "shot_001.png", "shot_002.png", "shot_003.png"}));
    for (int f = 0; f < 4; ++f) {
        int w = 0, h = 0, comp = 0;
        const std::string file = (dir.Path() / names[static_cast<size_t>(f)]).string();
        uint8_t* got = stbi_load(file.c_str(), &w, &h, &comp, 4);
        ASSERT_NE(got, nullptr) << file;
        EXPECT_EQ(w, 7);
        EXPECT_EQ(h, 5);
        EXPECT_EQ(comp, 3); // opaque: alpha is not written
        const auto expected = Picture(7, 5, f);
        int mismatches = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            mismatches += (i % 4 == 3) ? got[i] != 255 : got[i] != expected[i];
        EXPECT_EQ(mismatches, 0) << file;
        stbi_image_free(got);
    }

    const auto p = CPngSequenceEncoder::ParsePattern("a%%b_%5d.png");
    ASSERT_TRUE(p);
    EXPECT_EQ(CPngSequenceEncoder::FileName(*p, 42), "a%b_   42.png");
    EXPECT_EQ(CPngSequenceEncoder::FileName(*CPngSequenceEncoder::ParsePattern("f%d.png"), 123456), "f123456.png");
}

// Frames go from the back buffer into the writer's own buffers, straight (as on
// llvmpipe) or through the ring of pixel buffers a GPU gets: either way every
// frame arrives, in order, as drawn, including those still in the ring at the end.
TEST(VideoWriterTest, RenderOutputWritesEveryFrameAsDrawnStraightOrThroughTheRing)
{
    for (const auto mode : {CGLFrameReader::Mode::Direct, CGLFrameReader::Mode::Ring}) {
        TempDir dir;
        const std::string pattern = (dir.Path() / "f_%02d.png").string();
        constexpr long kFrames = 12;
        std::unique_ptr<CRenderOutput> output;
        std::vector<std::vector<uint8_t>> drawn;
        bool added = true;
        RunProduction("fade", {}, 60, kFrames, [&](long frame, CDemoSystem& demo) {
            auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
            if (!output) {
                output = std::make_unique<CRenderOutput>(renderer, nullptr, 60, kFrames, mode);
                ASSERT_TRUE(output->Open(pattern)) << output->Error();
            }
            drawn.emplace_back();
            renderer.ReadBackBuffer(drawn.back());
            added = added && output->AddFrame(frame);
            if (frame == kFrames - 1) {
                EXPECT_TRUE(output->Close()) << output->Error();
            }
        });
        ASSERT_TRUE(added);
        ASSERT_EQ(drawn.size(), static_cast<size_t>(kFrames));
        EXPECT_EQ(output->Frames(), kFrames);
        EXPECT_NE(drawn.front(), drawn.back()); // the fade moves, so order shows
        for (long f = 0; f < kFrames; ++f) {
            const std::string file = (dir.Path() / ((f < 10 ? "f_0" : "f_") + std::to_string(f) + ".png")).string();
            EXPECT_EQ(ReadPng(file).rgb, drawn[static_cast<size_t>(f)])
                << file << (mode == CGLFrameReader::Mode::Ring ? " (ring)" : " (direct)");
        }
    }
    EXPECT_EQ(CGLFrameReader::ModeFor("llvmpipe (LLVM 15.0.6, 256 bits)"), CGLFrameReader::Mode::Direct);
    EXPECT_EQ(CGLFrameReader::ModeFor("NVIDIA H100 PCIe/PCIe/SSE2"), CGLFrameReader::Mode::Ring);
}

TEST(VideoWriterTest, UnusableRequestsFailCleanly)
{
    TempDir dir;
    const auto at = [&](const char* name) { return (dir.Path() / name).string(); };
    for (const char* name : {"clip.avi", "clip", "shot_%05d.jpg", "shot_%d_%d.png", "shot_%s.png", "100%.png",
                             "missing/clip.mp4", "missing/shot_%05d.png"}) {
        CVideoWriter writer;
        EXPECT_FALSE(writer.Open(at(name), 64, 36, 30)) << name;
        EXPECT_FALSE(writer.Error().empty()) << name;
        EXPECT_FALSE(writer.PushFrame(Picture(64, 36, 0).data(), 64 * 4, nullptr, 0)) << name;
        EXPECT_TRUE(writer.Close()) << name; // nothing to close
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    CVideoWriter writer;
    EXPECT_FALSE(writer.Open(at("a.mp4"), 0, 36, 30));
    EXPECT_FALSE(writer.Open(at("a.mp4"), 64, 36, 0));
    EXPECT_FALSE(writer.Open(at("a.mp4"), 64, 36, 30, 44100, 2, 99));
    EXPECT_FALSE(writer.Open(at("a.mp4"), 64, 36, 30, 1234, 2));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    ASSERT_TRUE(writer.Open(at("a.mp4"), 64, 36, 30, 44100, 0)) << writer.Error();
    EXPECT_FALSE(writer.Open(at("b.mp4"), 64, 36, 30)); // already open
    EXPECT_FALSE(writer.PushFrame(nullptr, 64 * 4, nullptr, 0));
    EXPECT_FALSE(writer.PushFrame(Picture(64, 36, 0).data(), 63 * 4, nullptr, 0));
    EXPECT_TRUE(writer.PushFrame(Picture(64, 36, 0).data(), 64 * 4, nullptr, 0)) << writer.Error();
    EXPECT_TRUE(writer.Close()) << writer.Error();
    const Movie movie = ReadMovie(at("a.mp4"));
    EXPECT_EQ(movie.frames.size(), 1u);
    EXPECT_EQ(movie.audioChannels, 0); // no sound asked for, no audio stream
}

TEST(VideoWriterTest, FailureOnTheEncoderThreadComesBack)
{
    TempDir dir;
    const auto folder = dir.Path() / "frames";
    std::filesystem::create_directory(folder);
    CVideoWriter writer;
    ASSERT_TRUE(writer.Open((folder / "f_%04d.png").string(), 16, 16, 30)) << writer.Error();
    std::filesystem::remove(folder); // the folder disappears under the running render
    bool pushed = true;
    for (int f = 0; f < 20 && pushed; ++f)
        pushed = writer.PushFrame(Picture(16, 16, f).data(), 16 * 4, nullptr, 0);
    EXPECT_FALSE(writer.Close());
    EXPECT_NE(writer.Error().find("f_0000.png"), std::string::npos) << writer.Error();
    EXPECT_FALSE(writer.Close()); // the same answer again
}

TEST(VideoWriterTest, InterruptStopsTheLoopAndLeavesAPlayableFile)
{
    TempDir dir;
    const std::string path = (dir.Path() / "cut.mkv").string();
    long written = 0;
    {
        CInterruptFlag interrupt;
        EXPECT_FALSE(CInterruptFlag::IsRaised());
        CVideoWriter writer;
        ASSERT_TRUE(writer.Open(path, 64, 36, 30)) << writer.Error();
        written = WriteClip(writer, 64, 36, 30, 1000, [](long n) {
            if (n == 12)
                std::raise(SIGINT);
            return CInterruptFlag::IsRaised();
        });
        EXPECT_TRUE(writer.Close()) << writer.Error();
    }
    EXPECT_EQ(written, 12);
    const Movie movie = ReadMovie(path);
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.frames.size(), 12u);
    ExpectPicture(movie, 11, 64, 36);
    ExpectAudioMatchesVideo(movie);
}

TEST(VideoWriterTest, SoundPerFrameAddsUpWithoutDrift)
{
    for (const auto& [rate, fps] : {std::pair{44100, 24}, {44100, 60}, {48000, 7}, {44100, 1000}}) {
        int64_t sum = 0;
        for (long f = 0; f < 10000; ++f) {
            const size_t n = CVideoWriter::SamplesForFrame(f, rate, fps);
            EXPECT_LE(n, static_cast<size_t>(rate / fps + 1));
            sum += static_cast<int64_t>(n);
        }
        EXPECT_EQ(sum, int64_t{10000} * rate / fps) << rate << "/" << fps;
    }
}

TEST(ProgressReporterTest, LineShowsFrameTimeRateAndTimeLeft)
{
    EXPECT_EQ(CProgressReporter::FormatLine(90, 360, 30, 2.0), "frame 90/360  0:03.00  45.0 fps  0:06 left");
    EXPECT_EQ(CProgressReporter::FormatLine(4500, -1, 60, 50.0), "frame 4500  1:15.00  90.0 fps");
    EXPECT_EQ(CProgressReporter::FormatLine(0, 100, 60, 0.0), "frame 0/100  0:00.00  0.0 fps");
    EXPECT_EQ(CProgressReporter::FormatLine(10, 400000, 60, 10.0), "frame 10/400000  0:00.17  1.0 fps  111:06:30 left");

    // Not a terminal: nothing is written.
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CProgressReporter quiet(30, 100, file);
    EXPECT_FALSE(quiet.IsEnabled());
    quiet.Update(10);
    quiet.Finish(100);
    EXPECT_EQ(std::ftell(file), 0);
    // Forced on, one line redrawn in place and ended once.
    CProgressReporter loud(30, 100, file);
    loud.SetEnabled(true);
    loud.Update(10);
    loud.Update(11); // too soon to redraw
    loud.Finish(100);
    std::rewind(file);
    char buf[256] = {};
    const size_t got = std::fread(buf, 1, sizeof(buf) - 1, file);
    const std::string text(buf, got);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_NE(text.find("frame 100/100"), std::string::npos);
    std::fclose(file);
}
