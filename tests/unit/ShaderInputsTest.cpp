// The music table (window, FFT, dB scale, waveform row), the mixer's history it
// reads, and the inputs a demo system publishes before its script runs.
#include "app/DemoSystem.h"
#include "app/ShaderInputs.h"
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/MusicSpectrum.h"
#include "audio/PulledAudioOutput.h"
#include "render/TextureResource.h"
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"
#include "support/TempDir.h"
#include "unit/AudioTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr int N = CMusicSpectrum::kWindow;

// A sine on the centre of band k (an FFT bin centre), amplitude a.
std::vector<float> BandTone(int band, double amplitude)
{
    std::vector<float> s(N);
    const double hz = (band + 0.5) * 44100.0 / 2.0 / CMusicSpectrum::kWidth;
    for (int i = 0; i < N; ++i)
        s[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / 44100.0 + 0.3));
    return s;
}

int Peak(const float* row)
{
    return static_cast<int>(std::max_element(row, row + CMusicSpectrum::kWidth) - row);
}

} // namespace

TEST(MusicSpectrum, TonesPeakInTheirBandAtTheirLevel)
{
    CMusicSpectrum spectrum;
    const float* row = spectrum.GetTexels();
    const float* wave = row + CMusicSpectrum::kWidth;
    // Before any music, and for silence: nothing in the spectrum, a flat waveform.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(*std::max_element(row, row + 512), 0.0f);
        EXPECT_TRUE(std::all_of(wave, wave + 512, [](float v) { return v == 0.5f; }));
        spectrum.Analyse(std::vector<float>(N, 0.0f).data());
    }

    // Full scale is 0 dB (1.0); a tenth is -20 dB (0.8); -100 dB and below is 0.
    for (auto [band, amplitude, level] : {std::tuple{3, 1.0, 1.0f}, std::tuple{50, 0.1, 0.8f}, std::tuple{400, 1e-3, 0.4f},
                                          std::tuple{511, 0.5, 0.9398f}}) {
        spectrum.Analyse(BandTone(band, amplitude).data());
        EXPECT_EQ(Peak(row), band);
        EXPECT_NEAR(row[band], level, 0.002f) << band;
        // Well away from the tone the window keeps the spectrum low.
        const int far = band > 256 ? band - 40 : band + 40;
        EXPECT_LE(row[far], std::max(0.0f, level - 0.6f)) << band;
    }
    spectrum.Analyse(BandTone(100, 1e-6).data()); // -120 dB
    EXPECT_EQ(*std::max_element(row, row + 512), 0.0f);

    // Row 1: the newest 512 samples, -1..1 onto 0..1, clamped; bad samples read as silence.
    std::vector<float> ramp(N);
    for (int i = 0; i < N; ++i)
        ramp[i] = static_cast<float>(i - (N - 512)) / 256.0f - 1.0f;
    ramp[N - 1] = 3.0f;
    ramp[N - 2] = std::numeric_limits<float>::quiet_NaN();
    spectrum.Analyse(ramp.data());
    EXPECT_FLOAT_EQ(wave[0], 0.0f);
    EXPECT_FLOAT_EQ(wave[256], 0.5f);
    EXPECT_FLOAT_EQ(wave[384], 0.75f);
    EXPECT_EQ(wave[510], 0.5f);
    EXPECT_EQ(wave[511], 1.0f);
    EXPECT_TRUE(std::all_of(row, row + 512, [](float v) { return v >= 0.0f && v <= 1.0f; }));
}

TEST(MusicSpectrum, MixerKeepsTheRecentMonoMix)
{
    audiotest::ScratchDir dir;
    const std::string path = dir.File("lr.wav");
    // Left and right differ, so the mono mix is their mean.
    ASSERT_TRUE(audiotest::WriteAudio(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, 44100,
                                      [](int64_t i, int c) { return static_cast<float>(i % 1000) / 1000.0f * (c ? -0.5f : 1.0f); }));
    std::string error;
    auto stream = CAudioStream::Open(path, error);
    ASSERT_TRUE(stream) << error;
    CAudioMixer mixer;
    CPulledAudioOutput output(mixer);
    mixer.Play(stream);
    for (int i = 0; i < 10; ++i)
        output.AdvanceFrame(1.0f / 60.0f); // 7350 frames
    ASSERT_EQ(mixer.GetMixedFrames(), 7350);

    std::vector<float> mono(N, -1.0f);
    mixer.CopyRecentMono(mixer.GetMixedFrames(), mono.data(), N);
    for (int i = 0; i < N; ++i) {
        const int64_t frame = 7350 - N + i;
        ASSERT_NEAR(mono[i], 0.25f * static_cast<float>(frame % 1000) / 1000.0f, 1e-6f) << i;
    }
    // The last frame's samples are the newest in the history.
    const std::vector<float>& last = output.GetLastFrameSamples();
    EXPECT_EQ(mono[N - 1], 0.5f * (last[last.size() - 2] + last[last.size() - 1]));
    // Frames before the start, or not mixed yet, are silence.
    mixer.CopyRecentMono(1000, mono.data(), N);
    EXPECT_EQ(mono[N - 1001], 0.0f);
    EXPECT_NEAR(mono[N - 1], 0.25f * 0.999f, 1e-6f);
    mixer.CopyRecentMono(7350 + 10, mono.data(), N);
    EXPECT_EQ(mono[N - 1], 0.0f);
    EXPECT_NE(mono[N - 11], 0.0f);
    // Too old to be kept: silence rather than newer samples.
    for (int i = 0; i < 40; ++i)
        output.AdvanceFrame(1.0f / 60.0f);
    mixer.CopyRecentMono(7350, mono.data(), N);
    EXPECT_TRUE(std::all_of(mono.begin(), mono.end(), [](float v) { return v == 0.0f; }));
}

TEST(ShaderInputs, PublishedBeforeTheScriptRunsBesideTheCoreParameters)
{
    TempDir dir;
    ScopedChdir cd(dir.Path());
    dir.Write("DemoScript.txt", "exitdemo\n");
    auto* demo = new CNullDemoSystem();
    ASSERT_TRUE(demo->Init("DemoScript.txt", 64, 36));
    const CParameterTable& table = *demo->m_Parameters;
    uint32_t size = 0;
    const auto* resolution = static_cast<const float*>(table.FindParameter("resolution", &size));
    ASSERT_NE(resolution, nullptr);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(resolution[0], 64.0f);
    EXPECT_EQ(resolution[1], 36.0f);
    EXPECT_EQ(resolution[2], 1.0f / 64.0f);
    EXPECT_EQ(resolution[3], 1.0f / 36.0f);
    EXPECT_EQ(table.FindParameter("local_time", &size), &demo->m_fLocalTime);
    EXPECT_EQ(size, 4u);
    EXPECT_NE(table.FindParameter("music_time", &size), nullptr);
    EXPECT_EQ(size, 4u);
    // The core parameters keep their own bindings.
    EXPECT_EQ(table.FindParameter("global_time"), &demo->m_fGlobalTime);

    auto* texture = static_cast<CTextureResource*>(demo->m_Resources->FindResource("MUSIC_SPECTRUM", RESOURCE_TEXTURE));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture, demo->m_pInputs->GetSpectrumTexture());
    EXPECT_EQ(texture->GetWidth(), 512);
    EXPECT_EQ(texture->GetHeight(), 2);
    delete demo;
}
