// The render farm of one machine and of many: --jobs N splits a render into N
// frame ranges, renders them in child processes of this same program (each with
// a share of the cores), renders the music and joins; --plan N prints the same
// steps as shell commands for a farm manager to run. The frames themselves are
// the player's; the join is JoinSegments'.
#pragma once
#include <string>
#include <vector>

struct PlayerOptions;

struct FrameRange {
    long first = 0;
    long end = 0; // one past the last frame
};

// total frames cut into at most parts ranges of near-equal length, in order, none empty.
std::vector<FrameRange> SplitFrames(long total, int parts);

// A word as sh reads it back unchanged.
std::string ShellQuote(const std::string& word);

// --jobs and --plan. argv is the player's own command line, passed on to the children.
int RunRenderFarm(const PlayerOptions& options, int argc, char** argv);
