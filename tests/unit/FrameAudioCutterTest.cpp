// The music of a fixed-step render cut into per-frame pieces: the pulled mixer's
// own rounding and frames whose clock stood still, against a fixed count per frame.
#include "app/FrameAudioCutter.h"
#include "audio/AudioMixer.h"
#include "audio/PulledAudioOutput.h"

#include <gtest/gtest.h>

namespace {

// The video writer's rule: frame i holds floor((i+1)*rate/fps) - floor(i*rate/fps) samples.
size_t FloorRule(long i, int rate, int fps)
{
    const int64_t k = i;
    return static_cast<size_t>((k + 1) * rate / fps - k * rate / fps);
}

TEST(FrameAudioCutter, EveryFrameGetsItsCountAndTheMusicStaysInOrder)
{
    for (int fps : {24, 60, 7}) {
        CAudioMixer mixer;
        CPulledAudioOutput pulled(mixer);
        CFrameAudioCutter cutter(2);
        // The mixer's sample n is numbered n + 1 (both channels) so order and gaps show;
        // frames 5, 6 and 40 bring no music, only silence of their length.
        int64_t next = 1;
        std::vector<float> frame, all;
        int64_t total = 0;
        for (long i = 0; i < 200; ++i) {
            const bool still = i == 5 || i == 6 || i == 40;
            const size_t want = FloorRule(i, 44100, fps);
            if (still) {
                cutter.AddSilence(want);
            } else {
                const int64_t n = pulled.FramesForStep(1.0f / static_cast<float>(fps));
                std::vector<float> mixed;
                for (int64_t k = 0; k < n; ++k, ++next)
                    mixed.insert(mixed.end(), {static_cast<float>(next), static_cast<float>(next)});
                cutter.Add(mixed.data(), static_cast<size_t>(n));
            }
            cutter.Cut(want, frame);
            ASSERT_EQ(frame.size(), want * 2) << fps << " fps, frame " << i;
            total += static_cast<int64_t>(want);
            all.insert(all.end(), frame.begin(), frame.end());
            // The mixer's rounding and the writer's differ by a sample at most.
            EXPECT_LE(cutter.Buffered(), 2u) << fps << " fps, frame " << i;
        }
        EXPECT_EQ(total, int64_t{200} * 44100 / fps);
        // The music comes out in order, without loss, with silence only for the still
        // frames (and at most a sample of padding for each of them).
        int64_t expect = 1;
        int64_t zeros = 0;
        for (size_t k = 0; k < all.size(); k += 2) {
            if (all[k] == 0.0f) {
                ++zeros;
                continue;
            }
            ASSERT_EQ(all[k], static_cast<float>(expect)) << fps << " fps, sample " << k / 2;
            EXPECT_EQ(all[k + 1], all[k]);
            ++expect;
        }
        const int64_t stillLength = static_cast<int64_t>(FloorRule(5, 44100, fps) + FloorRule(6, 44100, fps) +
                                                         FloorRule(40, 44100, fps));
        EXPECT_GE(zeros, stillLength);
        EXPECT_LE(zeros, stillLength + 3);
        EXPECT_EQ(zeros - stillLength, cutter.Padded());
    }
}

} // namespace
