// The player: runs a production from parsed command-line options: the context
// (window or headless), the platform demo system, the frame loop with its
// clock and limits, and frame captures. RunPlayer (CommandLine.h) parses and
// calls this; tests call it in-process to look at frames as they are drawn.
#pragma once
#include "app/CommandLine.h"

#include <functional>

class CDemoSystem;

// Called after each frame is drawn and presented, with its 0-based index.
using FrameObserver = std::function<void(long frame, CDemoSystem& demo)>;

// Plays the production; returns the exit status (0 ran, 1 could not run or a capture failed).
// Changes the working directory to the production directory, as the script's paths require.
int PlayProduction(const PlayerOptions& options, const FrameObserver& observer = {});
