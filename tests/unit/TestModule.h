// A tiny ProTracker module written byte by byte, so no binary is committed:
// one square-wave sample (period 32, 0.24 s at C-2) played on channel 0 at the
// rows asked for, four channels, one pattern ended by a pattern break. At the
// default speed 6 and tempo 125 a row lasts 0.12 s.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

inline constexpr double kModuleRowSeconds = 0.12;

// notesAt: rows of channel 0 that start the sample; the song ends after `rows` rows.
inline std::string ProTrackerModule(const std::vector<int>& notesAt, int rows = 64)
{
    constexpr int kSampleBytes = 2000;
    constexpr int kPeriodC2 = 428;
    std::string mod(20, '\0');
    mod.replace(0, 9, "ml-module");
    auto word = [&mod](int value) {
        mod += static_cast<char>((value >> 8) & 0xff);
        mod += static_cast<char>(value & 0xff);
    };
    for (int s = 0; s < 31; ++s) {
        mod += std::string(22, '\0');
        word(s == 0 ? kSampleBytes / 2 : 0); // length in words
        mod += '\0';                         // finetune
        mod += static_cast<char>(s == 0 ? 64 : 0);
        word(0); // loop start
        word(1); // loop length 1: no loop
    }
    mod += '\1';    // one order
    mod += '\x7f';  // restart position, unused
    mod += std::string(128, '\0');
    mod += "M.K.";
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    for (int row : notesAt) {
        uint8_t* cell = &pattern[static_cast<size_t>(row) * 16];
        cell[0] = static_cast<uint8_t>(kPeriodC2 >> 8); // sample 1: high nibble 0
        cell[1] = static_cast<uint8_t>(kPeriodC2 & 0xff);
        cell[2] = 0x10; // sample 1, no effect
    }
    if (rows < 64) {
        uint8_t* cell = &pattern[static_cast<size_t>(rows - 1) * 16 + 12]; // channel 3
        cell[2] = 0x0d; // pattern break: the only order ends, so does the song
    }
    mod.append(pattern.begin(), pattern.end());
    for (int i = 0; i < kSampleBytes; ++i)
        mod += static_cast<char>((i / 16) % 2 ? -100 : 100);
    return mod;
}

} // namespace audiotest
