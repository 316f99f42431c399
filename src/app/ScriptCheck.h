// The reading half of --check: runs a production's script from its first line
// to its end at once, every "delayuntil" resuming immediately, with no update
// and no drawing. Every command still runs, so every asset it names is loaded
// by the demo system's own renderer and audio manager, and every problem goes
// out through diag::Report; lines after "exitdemo" are run too, to be checked.
// It also warns of what works but leaves the production not as meant: lines
// that never run after "exitdemo", and no "fadeup" at all (every frame black).
// Counting problems and deciding the exit status are the caller's.
#pragma once
#include <string>

class CDemoSystem;

struct ScriptCheckResult {
    long batches = 0;         // ReadCommands calls it took
    bool exited = false;      // "exitdemo" ends the production before the end of the script
    long lines = 0;           // script lines that held a command
    int files = 0;            // script files read (the top one and those included)
    long linesAfterExit = 0;  // of those, the lines after "exitdemo", which never run
    bool fadedUp = false;     // a "fadeup" runs before the production ends
};

ScriptCheckResult RunScriptCheck(CDemoSystem& demo);

// What a check went through, in one line: lines and files read, assets loaded by kind.
std::string DescribeCheck(const ScriptCheckResult& result, const CDemoSystem& demo);
