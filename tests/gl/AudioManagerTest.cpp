// The audio manager as productions use it: script commands run by the frame
// loop against the fixed-step output, and real-time play through SDL2's dummy
// driver and through the silent fallback.
#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameLoop.h"
#include "audio/PulledAudioOutput.h"
#include "audio/sdl/SDLAudioManager.h"
#include "render/NullRenderer.h"
#include "scene/ResourceRegistry.h"
#include "unit/AudioTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <thread>
#include <vector>

using audiotest::ScratchDir;
using audiotest::WriteAudio;

namespace {

constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr float kDt = 1.0f / 50.0f;

// The null renderer with real music on the fixed-step output.
class CPulledMusicDemoSystem : public CDemoSystem {
public:
    bool Init(const std::string& scriptFile, int width, int height) override
    {
        m_pAudio = CreateAudioManager(AudioOutput::Pulled);
        m_pRenderer = std::make_unique<CNullRenderer>();
        return CDemoSystem::Init(scriptFile, width, height);
    }
    CSDLAudioManager& Audio() { return static_cast<CSDLAudioManager&>(*m_pAudio); }
};

struct Production {
    ScratchDir dir;
    std::unique_ptr<CPulledMusicDemoSystem> demo;
    float endGlobalTime = -1.0f; // global time at the start of the frame that ran "exitdemo"
    float endMusicTime = -1.0f;

    bool Start(const std::string& script)
    {
        if (!audiotest::WriteBytes(dir.File("DemoScript.txt"), script))
            return false;
        demo = std::make_unique<CPulledMusicDemoSystem>();
        return demo->Init(dir.File("DemoScript.txt"), 64, 36);
    }
    // Runs until "exitdemo" or the frame limit; returns the frames run.
    int Run(int limit)
    {
        for (int frame = 0; frame < limit; ++frame) {
            const float global = demo->m_fGlobalTime;
            const float music = demo->m_pAudio->GetPosition();
            if (RunFrame(*demo, kDt).ended) {
                endGlobalTime = global;
                endMusicTime = music;
                return frame + 1;
            }
        }
        return limit;
    }
};

std::string Tone(const ScratchDir& dir, const std::string& name, double seconds, float level)
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteAudio(path, kWavFloat, 44100, 1, static_cast<int64_t>(seconds * 44100),
                           [level](int64_t, int) { return level; }));
    return path;
}

} // namespace

TEST(AudioManager, MusicWaitsAreDeadlinesOnTheGlobalClock)
{
    diag::ResetCount();
    {
        Production p;
        std::filesystem::create_directory(p.dir.File("Music"));
        Tone(p.dir, "Music/song.wav", 60.0, 0.1f);
        // Written on Windows: backslashes, and the case of the name differs from the file's.
        const std::string song = p.dir.Path().string() + "\\MUSIC\\Song.WAV";
        ASSERT_TRUE(p.Start("loadaudiotrack song \"" + song + "\"\n"
                            "playaudiotrack song\n"
                            "setmusictime 30\n"
                            "delayuntil music 35\n"
                            "exitdemo\n"));
        p.Run(1000);
        // The wait was fixed at 5 s of global time, and the music ran with it to the sample.
        EXPECT_GE(p.endGlobalTime, 5.0f);
        EXPECT_LT(p.endGlobalTime - kDt, 5.0f);
        EXPECT_FLOAT_EQ(p.endMusicTime, 30.0f + p.endGlobalTime);
        EXPECT_EQ(diag::Count(), 0);
    }
    {
        // Before any track plays the music clock is 0: the wait is 10 s of global time.
        Production p;
        ASSERT_TRUE(p.Start("delayuntil music 10\nexitdemo\n"));
        p.Run(1000);
        EXPECT_GE(p.endGlobalTime, 10.0f);
        EXPECT_LT(p.endGlobalTime - kDt, 10.0f);
    }
    {
        // A track shorter than the wait: the deadline stands, the position holds at the end.
        Production p;
        const std::string song = Tone(p.dir, "short.wav", 2.0, 0.1f);
        ASSERT_TRUE(p.Start("loadaudiotrack song \"" + song + "\"\n"
                            "playaudiotrack song\n"
                            "delayuntil music 5\n"
                            "exitdemo\n"));
        p.Run(1000);
        EXPECT_GE(p.endGlobalTime, 5.0f);
        EXPECT_LT(p.endGlobalTime - kDt, 5.0f);
        EXPECT_EQ(p.endMusicTime, 2.0f);
        EXPECT_EQ(p.demo->m_pAudio->GetPosition(), 2.0f);
    }
}

TEST(AudioManager, TracksByNameAndKind)
{
    Production p;
    const std::string first = Tone(p.dir, "first.wav", 10.0, 0.25f);
    const std::string second = Tone(p.dir, "second.wav", 10.0, -0.125f);
    const std::string other = Tone(p.dir, "other.wav", 10.0, 0.5f);
    ASSERT_TRUE(p.Start("loadaudiotrack pic \"" + other + "\"\n"
                        "playaudiotrack pic\n"
                        "delayuntil delay 1\n"
                        "loadaudiotrack Song \"" + first + "\"\n"
                        "loadaudiotrack SONG \"" + second + "\"\n"
                        "playaudiotrack song\n"
                        "delayuntil delay 1\n"
                        "exitdemo\n"));
    // A texture registered first under the name "pic": the kind-less lookup finds
    // it, so "playaudiotrack pic" starts nothing.
    auto* texture = new CResource(RESOURCE_TEXTURE, "PIC");
    p.demo->Adopt(texture);
    ASSERT_TRUE(p.demo->m_Resources->AddResource(texture));
    CPulledAudioOutput* out = p.demo->Audio().GetPulledOutput();
    ASSERT_NE(out, nullptr);
    out->SetKeepSamples(true);

    p.Run(50);
    EXPECT_EQ(p.demo->m_pAudio->GetPosition(), 0.0f);
    std::vector<float> mix;
    out->TakeSamples(mix);
    EXPECT_EQ(mix.size(), size_t{2 * 44100});
    EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](float s) { return s == 0.0f; }));

    // Two tracks under one name: the first is registered and plays; the second is not.
    p.Run(20);
    mix.clear();
    out->TakeSamples(mix);
    EXPECT_FLOAT_EQ(mix.back(), 0.25f);
    CResource* duplicate = p.demo->m_pAudio->LoadTrack("song", second);
    ASSERT_NE(duplicate, nullptr);
    EXPECT_FALSE(p.demo->m_pAudio->PlayTrack(duplicate));
    EXPECT_FALSE(p.demo->m_pAudio->PlayTrack(texture));
    EXPECT_FALSE(p.demo->m_pAudio->PlayTrack(nullptr));

    // Playing the current track again does not restart it; a second track does not stop the first.
    const float before = p.demo->m_pAudio->GetPosition();
    EXPECT_TRUE(p.demo->m_pAudio->PlayTrack(p.demo->m_Resources->FindResource("song", RESOURCE_AUDIO)));
    EXPECT_EQ(p.demo->m_pAudio->GetPosition(), before);
    EXPECT_TRUE(p.demo->m_pAudio->PlayTrack(p.demo->m_Resources->FindResource("pic", RESOURCE_AUDIO)));
    EXPECT_EQ(p.demo->m_pAudio->GetPosition(), 0.0f);
    RunFrame(*p.demo, kDt);
    EXPECT_FLOAT_EQ(out->GetLastFrameSamples().back(), 0.75f);
    EXPECT_FLOAT_EQ(p.demo->m_pAudio->GetPosition(), kDt);
}

TEST(AudioManager, BadMusicFilesLeaveTheProductionRunning)
{
    Production p;
    ASSERT_TRUE(audiotest::WriteBytes(p.dir.File("corrupt.ogg"), std::string(3000, '\x13')));
    diag::ResetCount();
    ASSERT_TRUE(p.Start("loadaudiotrack gone missing.ogg\n"
                        "loadaudiotrack bad \"" + p.dir.File("corrupt.ogg") + "\"\n"
                        "playaudiotrack gone\n"
                        "playaudiotrack bad\n"
                        "setmusictime 3\n"
                        "delayuntil music 1\n"
                        "exitdemo\n"));
    p.Run(1000);
    EXPECT_GE(p.endGlobalTime, 1.0f);
    EXPECT_LT(p.endGlobalTime - kDt, 1.0f);
    EXPECT_EQ(diag::Count(), 4); // two files that do not open, two names that play nothing
    EXPECT_EQ(p.demo->m_Resources->FindResource("bad"), nullptr);
}

TEST(AudioManager, RealTimeDevicePlaysAndEnds)
{
    ScratchDir dir;
    const std::string song = Tone(dir, "song.wav", 2.0, 0.1f);
    const std::string blip = Tone(dir, "blip.wav", 0.25, 0.1f);
    using Clock = std::chrono::steady_clock;

    for (const char* driver : {"dummy", "no-such-driver"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        diag::ResetCount();
        std::unique_ptr<CSDLAudioManager> audio = CreateAudioManager(AudioOutput::Device);
        ASSERT_TRUE(audio->Init()) << driver;
        const bool fallback = std::string(driver) != "dummy";
        EXPECT_EQ(audio->IsSilentFallback(), fallback);
        EXPECT_EQ(diag::Count(), fallback ? 1 : 0);
        EXPECT_EQ(audio->GetPulledOutput(), nullptr);

        CResource* track = audio->LoadTrack("song", song);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(audio->GetPosition(), 0.0f);
        ASSERT_TRUE(audio->PlayTrack(track));
        // A seek reads back at once (the output may have played a little since), and plays on from there.
        audio->SetPosition(1.5f);
        EXPECT_GE(audio->GetPosition(), 1.5f);
        EXPECT_LT(audio->GetPosition(), 1.6f);
        const Clock::time_point start = Clock::now();
        float last = 1.5f;
        bool heardChecked = false;
        while (audio->GetPosition() < 2.0f && Clock::now() - start < std::chrono::seconds(5)) {
            const float now = audio->GetPosition();
            EXPECT_GE(now, last);
            last = now;
            if (!heardChecked && now > 1.85f && now < 1.99f) {
                // The window shaders see ends at the sample being heard: all of it the song.
                // Well after the seek, so a busy machine's slack in the heard position
                // cannot reach back to before it.
                std::vector<float> heard(2048);
                audio->GetHeardMix(heard.data(), 2048);
                for (float v : heard)
                    ASSERT_NEAR(v, 0.1f, 1e-6f) << driver;
                heardChecked = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(audio->GetPosition(), 2.0f) << driver;
        EXPECT_TRUE(heardChecked) << driver;
        // Half a second of music takes about half a second (generous: a busy machine).
        EXPECT_GT(took, 0.35) << driver;
        EXPECT_LT(took, 2.5) << driver;

        // A second track plays alongside and ends too; the first stays at its end.
        CResource* second = audio->LoadTrack("blip", blip);
        ASSERT_TRUE(audio->PlayTrack(second));
        while (audio->GetPosition() < 0.25f && Clock::now() - start < std::chrono::seconds(8))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(audio->GetPosition(), 0.25f) << driver;
        EXPECT_TRUE(audio->Shutdown());
        EXPECT_EQ(audio->GetPosition(), 0.0f);
    }
    unsetenv("SDL_AUDIODRIVER");
}

TEST(AudioManager, SeeksWhileTheDeviceThreadsRun)
{
    ScratchDir dir;
    const std::string a = Tone(dir, "a.wav", 3.0, 0.1f);
    const std::string b = dir.File("b.flac");
    ASSERT_TRUE(WriteAudio(b, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2, 48000 * 3, audiotest::Sine(440.0, 48000, 0.2f)));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<CSDLAudioManager> audio = CreateAudioManager(AudioOutput::Device);
    ASSERT_TRUE(audio->Init());
    CResource* ta = audio->LoadTrack("a", a);
    CResource* tb = audio->LoadTrack("b", b);
    ASSERT_TRUE(audio->PlayTrack(ta));
    ASSERT_TRUE(audio->PlayTrack(tb));
    // The frame thread seeks and reads while the callback mixes and the feeder decodes.
    for (int i = 0; i < 200; ++i) {
        const float target = static_cast<float>(i % 7) * 0.45f;
        audio->SetPosition(target);
        const float now = audio->GetPosition();
        EXPECT_GE(now, target);
        EXPECT_LE(now, std::min(target + 0.2f, 3.0f));
        if (i % 50 == 0)
            audio->PlayTrack(i % 100 == 0 ? ta : tb);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(audio->Shutdown());
    unsetenv("SDL_AUDIODRIVER");
}
