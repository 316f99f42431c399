// The platform-neutral music path: decoding, resampling, mixing and positions,
// driven through the fixed-step output exactly as a headless run drives it.
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/MixFormat.h"
#include "audio/PulledAudioOutput.h"
#include "unit/AudioTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using audiotest::ScratchDir;
using audiotest::WriteAudio;

namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWav24 = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

// Every frame carries its own index, so a mixed sample says which file frame it came from.
float IndexSample(int64_t i, int channel) { return static_cast<float>(i % 4096) / 8192.0f + (channel ? 0.5f : 0.0f); }
int64_t IndexOf(float left, int64_t near)
{
    const int64_t low = std::llround(left * 8192.0f);
    return near - (near % 4096) + low;
}

std::shared_ptr<CAudioStream> OpenOrFail(const std::string& path)
{
    std::string error;
    auto stream = CAudioStream::Open(path, error);
    EXPECT_TRUE(stream) << path << ": " << error;
    return stream;
}

struct Pulled {
    CAudioMixer mixer;
    CPulledAudioOutput output{mixer};
    std::vector<float> Run(int frames, float dt)
    {
        output.SetKeepSamples(true);
        for (int i = 0; i < frames; ++i)
            output.AdvanceFrame(dt);
        std::vector<float> out;
        output.TakeSamples(out);
        return out;
    }
};

// Largest difference from an ideal sine at the mix rate, from frame `from` on.
double SineError(const std::vector<float>& mix, double hz, float amplitude, int64_t startFrame, size_t from)
{
    double worst = 0.0;
    for (size_t i = from; i < mix.size() / 2; ++i) {
        const double t = static_cast<double>(startFrame + static_cast<int64_t>(i)) / kMixRate;
        const double ideal = amplitude * std::sin(2.0 * std::numbers::pi * hz * t);
        worst = std::max({worst, std::abs(mix[2 * i] - ideal), std::abs(mix[2 * i + 1] - ideal)});
    }
    return worst;
}

} // namespace

TEST(AudioMixer, FixedStepPositionIsFrameExact)
{
    ScratchDir dir;
    const std::string path = dir.File("long.wav");
    ASSERT_TRUE(WriteAudio(path, kWav16, kMixRate, 2, kMixRate * 120, IndexSample));

    for (int fps : {60, 50, 48, 30, 25, 24, 144}) {
        Pulled p;
        auto stream = OpenOrFail(path);
        p.mixer.Play(stream);
        const float dt = 1.0f / static_cast<float>(fps);
        int64_t mixed = 0;
        for (int n = 1; n <= fps * 100; ++n) {
            p.output.AdvanceFrame(dt);
            mixed += static_cast<int64_t>(p.output.GetLastFrameSamples().size() / 2);
            const int64_t expected = (2 * int64_t{n} * kMixRate + fps) / (2 * fps); // round(n * 44100 / fps)
            if (mixed != expected || stream->GetHeardFrame(p.output.GetHeardFrame()) != expected) {
                FAIL() << "fps " << fps << " frame " << n << ": mixed " << mixed << ", expected " << expected;
            }
        }
        // The position in seconds is n / fps exactly, as a float.
        EXPECT_EQ(static_cast<float>(stream->GetHeardSeconds(p.output.GetHeardFrame())), static_cast<float>(100.0))
            << "fps " << fps;
        // And the samples are the file's: the last mixed frame is file frame 100 s - 1.
        const auto& last = p.output.GetLastFrameSamples();
        const int64_t lastFrame = int64_t{kMixRate} * 100 - 1;
        EXPECT_EQ(IndexOf(last[last.size() - 2], lastFrame), lastFrame);
    }

    // Steps that are not 1/n accumulate in double without losing samples.
    Pulled p;
    double elapsed = 0.0;
    int64_t total = 0;
    for (int i = 0; i < 5000; ++i) {
        const float dt = (i % 3 == 0) ? 0.013f : 0.0171f;
        elapsed += static_cast<double>(dt);
        total += p.output.FramesForStep(dt);
        ASSERT_EQ(total, std::llround(elapsed * kMixRate));
    }
    EXPECT_EQ(p.output.FramesForStep(0.0f), 0);
    EXPECT_EQ(p.output.FramesForStep(-1.0f), 0);
    EXPECT_EQ(p.output.FramesForStep(std::nanf("")), 0);
}

TEST(AudioMixer, SineKeepsFrequencyAndLevelAcrossBuffersAndRates)
{
    ScratchDir dir;
    const double hz = 997.0;
    const float amp = 0.5f;
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
        double tolerance;
    };
    const Case cases[] = {
        {"same.wav", kWav24, 44100, 2, 1e-6},
        {"mono.wav", kWavFloat, 44100, 1, 1e-7},
        {"up.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 2, 1e-4},
        {"down.wav", kWavFloat, 22050, 1, 1e-4},
        {"odd.wav", kWavFloat, 44101, 2, 1e-4},
        {"high.wav", kWavFloat, 96000, 2, 1e-4},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(WriteAudio(path, c.format, c.rate, c.channels, c.rate * 3, audiotest::Sine(hz, c.rate, amp)));
        Pulled p;
        auto stream = OpenOrFail(path);
        p.mixer.Play(stream);
        // 1/60 s frames are 735 samples: many pulls, many decoder and ring boundaries.
        const std::vector<float> mix = p.Run(120, 1.0f / 60.0f);
        ASSERT_EQ(mix.size(), size_t{2 * 88200});
        // The filter's first taps see the silence before the file; skip them.
        EXPECT_LT(SineError(mix, hz, amp, 0, 200), c.tolerance) << c.name;
        double sumSquares = 0.0;
        double worstStep = 0.0;
        for (size_t i = 200; i < mix.size() / 2; ++i) {
            sumSquares += static_cast<double>(mix[2 * i]) * mix[2 * i];
            worstStep = std::max(worstStep, std::abs(static_cast<double>(mix[2 * i]) - mix[2 * i - 2]));
        }
        const double rms = std::sqrt(sumSquares / static_cast<double>(mix.size() / 2 - 200));
        EXPECT_NEAR(rms, amp / std::sqrt(2.0), 1e-3) << c.name;
        // No clicks: no step larger than the sine's own steepest slope allows.
        EXPECT_LT(worstStep, 2.0 * std::numbers::pi * hz / kMixRate * amp * 1.01) << c.name;
    }

    // Above the mix rate's Nyquist nothing may fold back down.
    const std::string path = dir.File("alias.wav");
    ASSERT_TRUE(WriteAudio(path, kWavFloat, 96000, 1, 96000 * 2, audiotest::Sine(30000.0, 96000, 0.5f)));
    Pulled p;
    p.mixer.Play(OpenOrFail(path));
    const std::vector<float> mix = p.Run(60, 1.0f / 60.0f);
    float peak = 0.0f;
    for (size_t i = 400; i < mix.size(); ++i)
        peak = std::max(peak, std::abs(mix[i]));
    EXPECT_LT(peak, 0.5f * 1e-4f); // at least 80 dB down
}

TEST(AudioMixer, SeekEndAndSeveralStreams)
{
    ScratchDir dir;
    const std::string indexed = dir.File("indexed.wav");
    ASSERT_TRUE(WriteAudio(indexed, kWav16, kMixRate, 2, kMixRate * 40, IndexSample));
    Pulled p;
    auto stream = OpenOrFail(indexed);
    p.mixer.Play(stream);
    p.Run(10, 0.02f);

    // A seek lands on the exact file frame, and the next frame mixes from there.
    stream->Seek(MixSecondsToFrames(30.0));
    EXPECT_EQ(stream->GetHeardSeconds(p.output.GetHeardFrame()), 30.0);
    std::vector<float> mix = p.Run(1, 0.02f);
    EXPECT_EQ(IndexOf(mix[0], 30 * kMixRate), 30 * kMixRate);
    EXPECT_EQ(IndexOf(mix[mix.size() - 2], 30 * kMixRate + 881), 30 * kMixRate + 881);
    EXPECT_NEAR(mix[1] - mix[0], 0.5f, 1e-3f); // the right channel stays the right channel
    EXPECT_DOUBLE_EQ(stream->GetHeardSeconds(p.output.GetHeardFrame()), 30.02);

    // Past the end it holds at the end, exactly, and is silent.
    p.Run(600, 0.02f);
    EXPECT_EQ(stream->GetEndFrame(), int64_t{40} * kMixRate);
    EXPECT_EQ(stream->GetHeardSeconds(p.output.GetHeardFrame()), 40.0);
    mix = p.Run(5, 0.02f);
    EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](float s) { return s == 0.0f; }));
    // Seeking beyond the end stops at the end; seeking back plays again.
    stream->Seek(MixSecondsToFrames(1000.0));
    EXPECT_EQ(stream->GetHeardSeconds(p.output.GetHeardFrame()), 40.0);
    stream->Seek(MixSecondsToFrames(-3.0));
    mix = p.Run(1, 0.02f);
    EXPECT_EQ(IndexOf(mix[0], 0), 0);
    EXPECT_DOUBLE_EQ(stream->GetHeardSeconds(p.output.GetHeardFrame()), 0.02);

    // A resampled file ends at its own exact length.
    const std::string odd = dir.File("odd.wav");
    ASSERT_TRUE(WriteAudio(odd, kWavFloat, 48000, 2, 48001, audiotest::Sine(440.0, 48000, 0.25f)));
    auto short48 = OpenOrFail(odd);
    p.mixer.Play(short48);
    p.Run(70, 0.02f);
    EXPECT_EQ(short48->GetHeardSeconds(p.output.GetHeardFrame()), 48001.0 / 48000.0);

    // Two streams sum; the first keeps its place while the second plays.
    const std::string a = dir.File("a.wav");
    const std::string b = dir.File("b.wav");
    ASSERT_TRUE(WriteAudio(a, kWavFloat, kMixRate, 1, kMixRate, [](int64_t, int) { return 0.25f; }));
    ASSERT_TRUE(WriteAudio(b, kWavFloat, kMixRate, 1, kMixRate / 2, [](int64_t, int) { return -0.125f; }));
    Pulled two;
    auto sa = OpenOrFail(a);
    auto sb = OpenOrFail(b);
    two.mixer.Play(sa);
    two.Run(10, 0.01f);
    two.mixer.Play(sb);
    two.mixer.Play(sa); // no restart
    mix = two.Run(10, 0.01f);
    EXPECT_FLOAT_EQ(mix[0], 0.125f);
    EXPECT_FLOAT_EQ(mix[mix.size() - 1], 0.125f);
    EXPECT_DOUBLE_EQ(sa->GetHeardSeconds(two.output.GetHeardFrame()), 0.2);
    EXPECT_DOUBLE_EQ(sb->GetHeardSeconds(two.output.GetHeardFrame()), 0.1);
    mix = two.Run(50, 0.01f); // 0.2 s to 0.7 s of the mix: b ends at 0.6 s
    ASSERT_EQ(mix.size(), size_t{2 * kMixRate / 2});
    EXPECT_FLOAT_EQ(mix[2 * (kMixRate * 4 / 10 - 1)], 0.125f);
    EXPECT_FLOAT_EQ(mix[2 * (kMixRate * 4 / 10)], 0.25f);
    mix = two.Run(40, 0.01f); // 0.7 s to 1.1 s: a ends at 1.0 s
    EXPECT_FLOAT_EQ(mix[2 * (kMixRate * 3 / 10 - 1)], 0.25f);
    EXPECT_FLOAT_EQ(mix[2 * (kMixRate * 3 / 10)], 0.0f);
    EXPECT_DOUBLE_EQ(sa->GetHeardSeconds(two.output.GetHeardFrame()), 1.0);
    EXPECT_DOUBLE_EQ(sb->GetHeardSeconds(two.output.GetHeardFrame()), 0.5);
}

TEST(AudioMixer, RealTimeConsumerKeepsTimeWhenTheDecoderLags)
{
    ScratchDir dir;
    const std::string indexed = dir.File("indexed.wav");
    ASSERT_TRUE(WriteAudio(indexed, kWav16, kMixRate, 2, kMixRate * 5, IndexSample));
    CAudioMixer mixer;
    auto stream = OpenOrFail(indexed);
    stream->Fill(1000);
    mixer.Play(stream);
    std::vector<float> out(2 * 3000);
    // Only 1000 frames were decoded: the rest is silence, but the position moves on.
    mixer.Mix(out.data(), 3000);
    EXPECT_EQ(IndexOf(out[2 * 999], 999), 999);
    EXPECT_EQ(out[2 * 1000], 0.0f);
    EXPECT_EQ(stream->GetHeardFrame(mixer.GetMixedFrames()), 3000);
    // The decoder catches up where the music is now, not where it fell behind.
    mixer.FillAhead();
    mixer.Mix(out.data(), 10);
    EXPECT_EQ(IndexOf(out[0], 3000), 3000);

    // Heard positions never run ahead of the output: a seek holds until its sound is heard.
    stream->Seek(44100);
    const int64_t heardNow = mixer.GetMixedFrames() - 2048; // a device still playing older buffers
    EXPECT_EQ(stream->GetHeardFrame(heardNow), 44100);
    mixer.FillAhead();
    mixer.Mix(out.data(), 1024);
    EXPECT_EQ(stream->GetHeardFrame(mixer.GetMixedFrames() - 2048), 44100);
    EXPECT_EQ(stream->GetHeardFrame(mixer.GetMixedFrames() - 24), 44100 + 1000);
    EXPECT_EQ(stream->GetHeardFrame(mixer.GetMixedFrames() + 5000), 44100 + 1024);
}

TEST(AudioMixer, BadFilesFailOrEndEarly)
{
    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(CAudioStream::Open(dir.File("missing.ogg"), error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("noise.ogg"), std::string(5000, '\x5a')));
    EXPECT_FALSE(CAudioStream::Open(dir.File("noise.ogg"), error));
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("empty.wav"), ""));
    EXPECT_FALSE(CAudioStream::Open(dir.File("empty.wav"), error));

    // A file cut short plays what it has, then holds at its end.
    const std::string whole = dir.File("whole.wav");
    ASSERT_TRUE(WriteAudio(whole, kWav16, kMixRate, 2, kMixRate, IndexSample));
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("cut.wav"), bytes.substr(0, bytes.size() / 2)));
    Pulled p;
    auto stream = OpenOrFail(dir.File("cut.wav"));
    p.mixer.Play(stream);
    p.Run(100, 0.02f);
    const double end = stream->GetHeardSeconds(p.output.GetHeardFrame());
    EXPECT_GT(end, 0.45);
    EXPECT_LT(end, 0.55);
}

TEST(AudioMixer, EveryFileFormatDecodesSeeksAndEnds)
{
    ScratchDir dir;
    struct Case {
        const char* name;
        int format;
        int rate;
        double tolerance; // largest difference from the ideal sine after a seek (one sample off is 0.031)
    };
    const Case cases[] = {
        {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1e-3},
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 32000, 1e-3},
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 0.02},
        {"a.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 0.02},
        {"a.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 0.02},
    };
    const double hz = 440.0;
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        if (!WriteAudio(path, c.format, c.rate, 2, c.rate * 2, audiotest::Sine(hz, c.rate, 0.5f))) {
            ADD_FAILURE() << "libsndfile cannot write " << c.name;
            continue;
        }
        Pulled p;
        auto stream = OpenOrFail(path);
        if (!stream)
            continue;
        p.mixer.Play(stream);
        stream->Seek(MixSecondsToFrames(1.0));
        const std::vector<float> mix = p.Run(25, 0.02f);
        EXPECT_LT(SineError(mix, hz, 0.5f, kMixRate, 0), c.tolerance) << c.name;
        p.Run(100, 0.02f);
        // Lossy codecs pad their frames; libsndfile trims them to the written length.
        EXPECT_NEAR(stream->GetHeardSeconds(p.output.GetHeardFrame()), 2.0, 1e-3) << c.name;
        // And back again from the end.
        stream->Seek(MixSecondsToFrames(0.5));
        EXPECT_LT(SineError(p.Run(10, 0.02f), hz, 0.5f, kMixRate / 2, 0), c.tolerance) << c.name;
    }
}
