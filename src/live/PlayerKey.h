// The keys a window gives the author: what each does to the production being
// played, independent of how a window system names its keys.
#pragma once

enum class PlayerKey {
    Pause,      // Space
    Back1,      // Left
    Forward1,   // Right
    Back10,     // Page Down
    Forward10,  // Page Up
    Restart,    // Home
    LoopStart,  // [
    LoopEnd,    // ]
    LoopToggle, // L
    Overlay,    // F1
    Screenshot, // F12
};
