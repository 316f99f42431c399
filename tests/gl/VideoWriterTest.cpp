// The --render output: movies and PNG sequences written, then read back with
// FFmpeg and stb_image; interruption, errors from the encoder thread, progress text.
#include "app/platform/InterruptFlag.h"
#include "app/platform/PngSequenceEncoder.h"
#include "app/platform/ProgressReporter.h"
#include "app/platform/VideoWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include <stb_image.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

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

// Everything the tests need from a movie file, decoded with FFmpeg.
struct Movie {
    bool opened = false;
    int width = 0, height = 0;
    double frameRate = 0;
    double videoSeconds = 0; // last frame's time plus one frame
    std::vector<std::vector<uint8_t>> frames; // RGBA, in presentation order
    std::vector<double> frameTimes;
    int audioChannels = 0, audioRate = 0;
    std::vector<std::vector<float>> audio; // per channel
    double audioStart = -1;
};

Movie ReadMovie(const std::string& path)
{
    Movie movie;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return movie;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return movie;
    }
    const int vi = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int ai = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* dec[2] = {nullptr, nullptr};
    const int index[2] = {vi, ai};
    for (int k = 0; k < 2; ++k) {
        if (index[k] < 0)
            continue;
        const AVCodecParameters* par = fmt->streams[index[k]]->codecpar;
        dec[k] = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
        avcodec_parameters_to_context(dec[k], par);
        dec[k]->pkt_timebase = fmt->streams[index[k]]->time_base;
        avcodec_open2(dec[k], dec[k]->codec, nullptr);
    }
    movie.opened = vi >= 0;
    if (vi >= 0) {
        const AVStream* s = fmt->streams[vi];
        movie.width = s->codecpar->width;
        movie.height = s->codecpar->height;
        movie.frameRate = av_q2d(s->avg_frame_rate.num ? s->avg_frame_rate : s->r_frame_rate);
    }
    if (ai >= 0) {
        movie.audioChannels = fmt->streams[ai]->codecpar->ch_layout.nb_channels;
        movie.audioRate = fmt->streams[ai]->codecpar->sample_rate;
        movie.audio.resize(static_cast<size_t>(movie.audioChannels));
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto take = [&](int k) {
        while (avcodec_receive_frame(dec[k], frame) >= 0) {
            if (k == 0) {
                // Back to full-range RGBA with the matrix the stream says it uses.
                // Back to full-range RGBA with the matrix and chroma siting the stream declares.
                SwsContext* sws = sws_alloc_context();
                av_opt_set_int(sws, "srcw", frame->width, 0);
                av_opt_set_int(sws, "srch", frame->height, 0);
                av_opt_set_int(sws, "src_format", frame->format, 0);
                av_opt_set_int(sws, "dstw", frame->width, 0);
                av_opt_set_int(sws, "dsth", frame->height, 0);
                av_opt_set_int(sws, "dst_format", AV_PIX_FMT_RGBA, 0);
                av_opt_set_int(sws, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, 0);
                if (frame->chroma_location == AVCHROMA_LOC_LEFT) {
                    av_opt_set_int(sws, "src_h_chr_pos", 0, 0);
                    av_opt_set_int(sws, "src_v_chr_pos", 128, 0);
                }
                EXPECT_GE(sws_init_context(sws, nullptr, nullptr), 0);
                const int cs = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
                sws_setColorspaceDetails(sws, sws_getCoefficients(cs), frame->color_range == AVCOL_RANGE_JPEG,
                                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
                std::vector<uint8_t> rgba(static_cast<size_t>(frame->width * frame->height * 4));
                uint8_t* out[1] = {rgba.data()};
                const int stride[1] = {frame->width * 4};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
                sws_freeContext(sws);
                movie.frames.push_back(std::move(rgba));
                movie.frameTimes.push_back(static_cast<double>(frame->best_effort_timestamp) *
                                           av_q2d(fmt->streams[vi]->time_base));
            } else {
                if (movie.audioStart < 0)
                    movie.audioStart = static_cast<double>(frame->best_effort_timestamp) * av_q2d(fmt->streams[ai]->time_base);
                for (int ch = 0; ch < movie.audioChannels; ++ch) {
                    const float* p = reinterpret_cast<const float*>(frame->extended_data[ch]);
                    movie.audio[static_cast<size_t>(ch)].insert(movie.audio[static_cast<size_t>(ch)].end(), p,
                                                                 p + frame->nb_samples);
                }
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        for (int k = 0; k < 2; ++k)
            if (dec[k] && pkt->stream_index == index[k]) {
                avcodec_send_packet(dec[k], pkt);
                take(k);
            }
        av_packet_unref(pkt);
    }
    for (int k = 0; k < 2; ++k)
        if (dec[k]) {
            avcodec_send_packet(dec[k], nullptr);
            take(k);
        }
    if (!movie.frameTimes.empty() && movie.frameRate > 0)
        movie.videoSeconds = movie.frameTimes.back() + 1.0 / movie.frameRate;
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec[0]);
    avcodec_free_context(&dec[1]);
    avformat_close_input(&fmt);
    return movie;
}

double Rms(const std::vector<float>& samples, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
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
