// Tracker modules as music: recognised by content, notes on their rows to the
// frame, seeks that land exactly where playing through would be, and the
// stream's position through the fixed-step mixer like any other track.
#include "audio/AudioDecoder.h"
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/MixFormat.h"
#include "audio/PulledAudioOutput.h"
#include "unit/AudioTestFiles.h"
#include "unit/TestModule.h"

#include <gtest/gtest.h>

#include <cmath>

using audiotest::ScratchDir;

namespace {

// Notes on rows 0 and 16; the song ends after row 31 (3.84 s).
constexpr int64_t kSecondNote = 16 * 5292; // a row is 0.12 s = 5292 frames
constexpr int64_t kSongFrames = 32 * 5292;

std::string WriteModule(const ScratchDir& dir, const std::string& name)
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(audiotest::WriteBytes(path, audiotest::ProTrackerModule({0, 16}, 32)));
    return path;
}

bool Loud(const float* frame) { return std::abs(frame[0]) > 0.01f || std::abs(frame[1]) > 0.01f; }

// First frame at or after from that is not silent, or -1.
int64_t NextSound(const std::vector<float>& samples, int64_t from)
{
    for (int64_t i = from; i < static_cast<int64_t>(samples.size() / 2); ++i)
        if (Loud(&samples[static_cast<size_t>(i) * 2]))
            return i;
    return -1;
}

std::vector<float> ReadAll(CAudioDecoder& decoder)
{
    std::vector<float> all;
    std::vector<float> block(8192 * 2);
    while (const int n = decoder.Read(block.data(), 8192))
        all.insert(all.end(), block.begin(), block.begin() + n * 2);
    return all;
}

} // namespace

TEST(TrackerMusic, RecognisedByContentNotByName)
{
    ScratchDir dir;
    std::string error;
    // A module named like a WAV file plays as a module, rendered at the mix rate.
    auto module = CAudioDecoder::Open(WriteModule(dir, "song.wav"), error);
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(module->GetRate(), kMixRate);
    EXPECT_EQ(module->GetDeclaredFrames(), kSongFrames);
    // And a WAV file named like a module plays as the WAV file it is.
    const std::string wav = dir.File("tune.mod");
    ASSERT_TRUE(audiotest::WriteAudio(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1, 4800, audiotest::Sine(440, 48000, 0.5f)));
    auto sound = CAudioDecoder::Open(wav, error);
    ASSERT_TRUE(sound) << error;
    EXPECT_EQ(sound->GetRate(), 48000);

    // Neither noise nor a module cut inside its header loads; both say why.
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("noise.mod"), std::string(5000, '\x13')));
    error.clear();
    EXPECT_FALSE(CAudioDecoder::Open(dir.File("noise.mod"), error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("cut.mod"), audiotest::ProTrackerModule({0}).substr(0, 1000)));
    error.clear();
    EXPECT_FALSE(CAudioDecoder::Open(dir.File("cut.mod"), error));
    EXPECT_FALSE(error.empty());
    // A module whose sample data is cut short still plays what it has.
    const std::string whole = audiotest::ProTrackerModule({0});
    ASSERT_TRUE(audiotest::WriteBytes(dir.File("short.mod"), whole.substr(0, whole.size() - 1500)));
    auto shortModule = CAudioDecoder::Open(dir.File("short.mod"), error);
    ASSERT_TRUE(shortModule) << error;
    EXPECT_GT(ReadAll(*shortModule).size(), 0u);
}

TEST(TrackerMusic, NotesOnTheirRowsAndSeeksExactToTheFrame)
{
    ScratchDir dir;
    std::string error;
    auto decoder = CAudioDecoder::Open(WriteModule(dir, "song.mod"), error);
    ASSERT_TRUE(decoder) << error;
    const std::vector<float> all = ReadAll(*decoder);
    const auto frames = static_cast<int64_t>(all.size() / 2);
    // Sound from the first frame, silence after the 0.24 s sample, the second note on row 16 exactly.
    EXPECT_EQ(NextSound(all, 0), 0);
    EXPECT_EQ(NextSound(all, 15000), kSecondNote);
    // The song ends after row 31, with libopenmpt's short fade.
    EXPECT_GE(frames, kSongFrames);
    EXPECT_LT(frames, kSongFrames + kMixRate / 2);

    // Seeks anywhere (between rows, inside notes, into the fade) read what playing through
    // read; the library's filter history may differ in the last bits, a frame off would not.
    for (const int64_t at : {int64_t{2205}, int64_t{7938}, kSecondNote + 1323, kSongFrames + 2000, int64_t{0}}) {
        ASSERT_TRUE(decoder->Seek(at)) << at;
        std::vector<float> got(4000 * 2);
        const int n = decoder->Read(got.data(), 4000);
        ASSERT_EQ(n, std::min<int64_t>(4000, frames - at)) << at;
        for (int i = 0; i < 2 * n; ++i)
            ASSERT_NEAR(got[static_cast<size_t>(i)], all[static_cast<size_t>(at * 2 + i)], 1e-4)
                << "seek to " << at << ", sample " << i;
    }
}

TEST(TrackerMusic, FixedStepPlaySeekAndPositionLikeAnyTrack)
{
    ScratchDir dir;
    std::string error;
    auto stream = CAudioStream::Open(WriteModule(dir, "song.mod"), error);
    ASSERT_TRUE(stream) << error;
    CAudioMixer mixer;
    CPulledAudioOutput output(mixer);
    output.SetKeepSamples(true);
    mixer.Play(stream);
    for (int i = 0; i < 100; ++i)
        output.AdvanceFrame(0.02f);
    std::vector<float> mix;
    output.TakeSamples(mix);
    ASSERT_EQ(mix.size(), size_t{2 * 88200});
    EXPECT_EQ(NextSound(mix, 0), 0);
    EXPECT_EQ(NextSound(mix, 15000), kSecondNote);
    EXPECT_DOUBLE_EQ(stream->GetHeardSeconds(output.GetHeardFrame()), 2.0);

    // Just before the second note: it is heard 0.02 s on, and the position counts from the seek.
    stream->Seek(MixSecondsToFrames(1.9));
    for (int i = 0; i < 5; ++i)
        output.AdvanceFrame(0.02f);
    mix.clear();
    output.TakeSamples(mix);
    EXPECT_EQ(NextSound(mix, 0), kSecondNote - MixSecondsToFrames(1.9));
    EXPECT_DOUBLE_EQ(stream->GetHeardSeconds(output.GetHeardFrame()), 2.0);

    // Past the end the position holds at the song's length with its fade.
    for (int i = 0; i < 150; ++i)
        output.AdvanceFrame(0.02f);
    const double end = stream->GetHeardSeconds(output.GetHeardFrame());
    EXPECT_GE(end, 3.84);
    EXPECT_LT(end, 4.34);
    EXPECT_EQ(MixFramesToSeconds(stream->GetEndFrame()), end);
}
