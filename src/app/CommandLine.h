// The command line of the player: options, their parsing and usage text.
// Parsing is platform-neutral; running a production is the platform's RunPlayer.
#pragma once
#include <optional>
#include <string>
#include <vector>

struct CaptureRequest {
    long frame = 0;
    std::string file;
};

struct PlayerOptions {
    bool headless = false;
    bool windowed = false;
    int width = 1920;
    int height = 1080;
    int fps = 0;           // 0: real-time clock (a fixed step when headless: 60)
    long frames = -1;      // stop after this many frames; -1: no limit
    double duration = -1;  // stop after this many seconds; < 0: no limit
    std::vector<CaptureRequest> captures;
    std::string render;
    std::string newProduction; // --new: write a starter production there and stop
    double start = 0.0;     // --start: production time of the first frame shown
    double loopFrom = -1.0; // --loop A:B; < 0: no loop
    double loopTo = -1.0;
    long rangeFrom = -1;    // --range A:B: production frames A to B-1 only; < 0: the whole
    long rangeTo = -1;
    std::string renderAudio; // --render-audio: the music alone, as a render carries it
    bool countFrames = false; // print the frames a render would have
    int jobs = 0;           // --jobs N: render in N processes on this machine
    int plan = 0;           // --plan N: print the commands of N ranges and the join
    int threads = 0;        // cores one render uses; 0: all
    bool progressLines = false; // progress as "frames N" lines on stdout, for a parent process
    std::string join;       // --join OUT: the file the segments and the audio make
    std::vector<std::string> joinInputs;
    bool watch = true;      // reload changed files (a window only)
    bool check = false;
    bool strict = false;   // --check: warnings fail it too
    bool verbose = false;
    bool quiet = false;    // no summary of the problems a run met
    int authoredHeight = 0; // what script pixels (text) are measured against; 0: 1080 (not on the command line)
    bool help = false;
    bool version = false;
    std::string productionDir;
};

// Parses argv; on a usage error returns nothing and sets error to a one-line message.
std::optional<PlayerOptions> ParseCommandLine(int argc, char** argv, std::string& error);
const char* UsageText();

// Runs the player (defined by the platform layer). Returns the process exit status.
int RunPlayer(int argc, char** argv);
