// The starter production's soundtrack: eight seconds at 120 beats per minute (a
// bass line, a kick on every beat and, from 2 s, a bright arpeggio), made
// here so a new production has music without any download. Writes WAV only.
#pragma once
#include <string>

// Writes the tune as 16-bit mono WAV at 44100 Hz; false with error set when it cannot.
bool WriteStarterMusic(const std::string& path, std::string& error);

// Its length in seconds.
inline constexpr double kStarterMusicSeconds = 8.0;
