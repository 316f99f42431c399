// "marrowlight --new DIR": writes a small, commented production to start from:
// the fader, a lit cube with keyframed colour, a title in a font baked from the
// system's DejaVu Sans, a full-screen effect driven by the music, a generated
// tune and a short script. It plays, checks clean and renders as written. It
// never overwrites: a folder that exists and is not empty is refused.
#pragma once
#include <string>

// Writes the production into dir (created, with its parents). False, with a
// one-line reason in error, when the folder is taken or a file cannot be made.
bool WriteStarterProduction(const std::string& dir, std::string& error);

// Where the font is looked for, first found wins (fonts-dejavu-core on Debian).
inline constexpr const char* kStarterFontPaths[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
};
