// The showcase's soundtrack: 24 bars of 4/4 at 120 BPM in A minor, so every
// beat falls on a multiple of 0.5 s and every bar on a multiple of 2 s.
// Sections (bars counted from 0): 0-3 intro (pads, then hats and arpeggio,
// a riser into bar 4), 4-11 groove (kick, snare, bass), 12-19 drop (lead
// arpeggio on top), 20-23 outro (pads and a fading arpeggio), then 2 s of tail.
#pragma once
#include "Voices.h"

namespace song {
constexpr double kTempoBpm = 120.0;
constexpr double kBeat = 60.0 / kTempoBpm;
constexpr double kBar = 4.0 * kBeat;
constexpr int kBars = 24;
constexpr double kTail = 2.0;
constexpr double kLength = kBars * kBar + kTail;
} // namespace song

// Renders the whole arrangement, mixed and limited to a peak of 0.8 (about -2 dBFS), leaving room for the encoder.
StereoMix RenderSong(int sampleRate);
