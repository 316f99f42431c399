// The published shader inputs seen from a shader: resolution, the clocks and
// the music table, on a production playing a generated tone.
#include "ProductionRunner.h"
#include "app/ShaderInputs.h"
#include "audio/PulledAudioOutput.h"
#include "audio/sdl/SDLAudioManager.h"
#include "support/TempDir.h"
#include "unit/AudioTestFiles.h"

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr int kRate = 44100;
constexpr int kFps = 64;
constexpr int kToneBand = 50;
// The centre of band 50, which is also an FFT bin centre: (50 + 0.5) * 22050 / 512 Hz.
constexpr double kToneHz = (kToneBand + 0.5) * kRate / 2.0 / 512.0;
constexpr double kToneFrom = 0.5, kToneTo = 1.5;
constexpr float kAmplitude = 0.5f; // -6 dB

float Tone(int64_t i)
{
    if (i < static_cast<int64_t>(kToneFrom * kRate) || i >= static_cast<int64_t>(kToneTo * kRate))
        return 0.0f;
    return kAmplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * kToneHz * static_cast<double>(i) / kRate));
}

std::string Stage(const TempDir& dir)
{
    const std::string production = CopyProduction("inputs", dir.Path());
    EXPECT_TRUE(audiotest::WriteAudio(production + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, 1, 2 * kRate,
                                      [](int64_t i, int) { return Tone(i); }));
    return production;
}

// Last music sample mixed by the end of frame n (the fixed step mixes round((n + 1) * 44100 / 64)).
int64_t FrameEnd(long n) { return ((n + 1) * kRate * 2 + kFps) / (2 * kFps); }

int Byte(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

std::array<int, 3> Column(const Image& image, int column) { return image.At(column * 16 + 8, 18); }

} // namespace

TEST(ShaderInputs, ResolutionClocksAndTheMusicTableReachTheShader)
{
    TempDir dir;
    const std::string production = Stage(dir);
    // Exact samples of each frame, compared with the table the frame drew with.
    long checkedWave = 0;
    auto probe = [&](long frame, CDemoSystem& demo) {
        auto* audio = static_cast<CSDLAudioManager*>(demo.m_pAudio.get());
        const std::vector<float>& mixed = audio->GetPulledOutput()->GetLastFrameSamples();
        const float* wave = demo.m_pInputs->GetSpectrum().GetTexels() + 512;
        ASSERT_GE(mixed.size(), 2u * 512u);
        const size_t first = mixed.size() / 2 - 512;
        for (size_t i = 0; i < 512; ++i) {
            const float mono = 0.5f * (mixed[2 * (first + i)] + mixed[2 * (first + i) + 1]);
            ASSERT_FLOAT_EQ(wave[i], mono * 0.5f + 0.5f) << "frame " << frame << " sample " << i;
        }
        // ... and they are the file's samples up to the frame's end.
        EXPECT_NEAR(wave[511], Tone(FrameEnd(frame) - 1) * 0.5f + 0.5f, 1e-6f) << frame;
        ++checkedWave;
    };
    const ProductionRun run = RunProductionAt(production, {10, 40, 50, 120}, kFps, 2000, probe);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(checkedWave, run.frames);
    ASSERT_EQ(run.images.size(), 4u);

    for (const auto& [frame, image] : run.images) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        // 64x36: width, height, and both reciprocals scaled back to fixed levels.
        EXPECT_TRUE(Near(Column(image, 0), {64, 36, 128}));
        // Passes draw after the clocks advanced: global and music time are (n + 1) / 64;
        // the local clock was reset at frame 32.
        const double global = (frame + 1) / 64.0;
        const double local = frame >= 32 ? (frame - 31) / 64.0 : global;
        const auto clocks = Column(image, 1);
        EXPECT_NEAR(clocks[0], 64, 1);
        EXPECT_NEAR(clocks[1], Byte(local - std::floor(local)), 1);
        EXPECT_NEAR(clocks[2], Byte(global - std::floor(global)), 1);
        EXPECT_NEAR(Column(image, 3)[2], Byte(global - std::floor(global)), 1);
        // Newest and oldest waveform samples.
        const int64_t end = FrameEnd(frame);
        EXPECT_NEAR(Column(image, 3)[0], Byte(Tone(end - 1) * 0.5 + 0.5), 1);
        EXPECT_NEAR(Column(image, 3)[1], Byte(Tone(end - 512) * 0.5 + 0.5), 1);
    }
    // Silence before and after the tone: an empty spectrum (no band above 0).
    EXPECT_TRUE(Near(Column(run.images.at(10), 2), {0, 0, 0}, 0));
    EXPECT_TRUE(Near(Column(run.images.at(120), 2), {0, 0, 0}, 0));
    // Inside it: the peak in band 50 at -6 dB, (100 - 6.02) / 100 of full scale.
    for (long frame : {40L, 50L})
        EXPECT_TRUE(Near(Column(run.images.at(frame), 2), {kToneBand, 0, Byte(0.9398)}, 1)) << frame;
}

TEST(ShaderInputs, RenderAndCaptureOfTheSameFrameAgree)
{
    TempDir dir;
    const std::string production = Stage(dir);
    const auto frames = dir.Path() / "frames";
    std::filesystem::create_directory(frames);
    const auto capture = dir.Path() / "capture.png";
    const std::string common = "--size 64x36 --fps 64 --frames 60 ";
    std::string errors;
    ASSERT_EQ(RunPlayerBinary(common + "--render '" + (frames / "f%03d.png").string() + "' '" + production + "'", &errors), 0)
        << errors;
    ASSERT_EQ(RunPlayerBinary(common + "--headless --capture 45:'" + capture.string() + "' '" + production + "'", &errors), 0)
        << errors;
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0, comp = 0;
    uint8_t* rendered = stbi_load((frames / "f045.png").string().c_str(), &w1, &h1, &comp, 3);
    uint8_t* captured = stbi_load(capture.string().c_str(), &w2, &h2, &comp, 3);
    ASSERT_NE(rendered, nullptr);
    ASSERT_NE(captured, nullptr);
    ASSERT_EQ(w1 * h1, w2 * h2);
    EXPECT_EQ(std::memcmp(rendered, captured, static_cast<size_t>(w1 * h1 * 3)), 0);
    // The frame shows the tone: the two runs agree on something that moves.
    EXPECT_EQ(rendered[(18 * 64 + 40) * 3], kToneBand);
    stbi_image_free(rendered);
    stbi_image_free(captured);
}
