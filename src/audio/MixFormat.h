// The one format every stream is converted to and every output plays: 44100 Hz,
// interleaved float stereo. Positions are counted in frames of this rate.
#pragma once
#include <cmath>
#include <cstdint>

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;

inline double MixFramesToSeconds(int64_t frames) { return static_cast<double>(frames) / kMixRate; }

// The nearest frame to a time; negative or NaN times are frame 0, and huge ones
// stop where an int64 frame count would overflow.
inline int64_t MixSecondsToFrames(double seconds)
{
    if (!(seconds > 0.0))
        return 0;
    const double frames = seconds * kMixRate;
    if (frames >= 9.0e18)
        return INT64_C(9000000000000000000);
    return std::llround(frames);
}
