// JoinSegments: makes one movie of range renders (H.264 segments, in order) and
// the music of the whole (a --render-audio file). The pictures are copied packet
// by packet, never re-encoded; the music is encoded once, in the same steps a
// single render takes, so the result plays like one: same frames, frame rate,
// durations and sound. It renders nothing and runs no production.
#pragma once
#include <string>
#include <vector>

// Writes out (an .mp4 or .mkv name) aside and renames it when complete; false with error set,
// leaving nothing under out's name. audio may be empty: a movie without sound.
bool JoinSegments(const std::string& out, const std::string& audio, const std::vector<std::string>& segments,
                  std::string& error);

// --join OUT AUDIO SEGMENT...: the inputs in any order of audio and segments, segments in
// playing order. Returns the process status.
int RunJoin(const std::string& out, const std::vector<std::string>& inputs);

// The name a file is written under until it is complete: hidden, in the same folder, with
// the same extension, so a rename makes it appear whole.
std::string PartialName(const std::string& path);
