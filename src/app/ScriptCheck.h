// The reading half of --check: runs a production's script from its first line
// to its end (or "exitdemo") at once, every "delayuntil" resuming immediately,
// with no update and no drawing. Every command still runs, so every asset it
// names is loaded by the demo system's own renderer and audio manager, and
// every problem goes out through diag::Report. Counting them is the caller's.
#pragma once

class CDemoSystem;

struct ScriptCheckResult {
    long batches = 0;       // ReadCommands calls it took
    bool exited = false;    // "exitdemo" ended it before the end of the script
};

ScriptCheckResult RunScriptCheck(CDemoSystem& demo);
