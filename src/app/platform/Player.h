// The player: runs a production from parsed command-line options: the context
// (window or headless), the platform demo system, the frame loop with its
// clock and limits, and frame captures. RunPlayer (CommandLine.h) parses and
// calls this; tests call it in-process to look at frames as they are drawn.
#pragma once
#include "app/CommandLine.h"

#include <functional>
#include <string>

class CDemoSystem;

// Called after each frame is drawn and presented, with its 0-based index.
using FrameObserver = std::function<void(long frame, CDemoSystem& demo)>;

// Says why the player cannot go on: one "marrowlight: ..." line on stderr, always shown.
void ReportFailure(std::string message);

// Exit status of a render stopped by Ctrl-C: its file is complete, but shorter than asked.
inline constexpr int kInterruptedStatus = 130;

// Plays, renders (--render) or checks (--check) the production; returns the exit status:
// 0 ran (or checked clean), 1 could not run, a capture or the render file could not be
// written, or --check found problems; kInterruptedStatus for an interrupted render.
// Changes the working directory to the production directory, as the script's paths require.
int PlayProduction(const PlayerOptions& options, const FrameObserver& observer = {});
