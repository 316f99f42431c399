// The one channel through which the player reports problems (unknown keywords,
// missing files, shader errors). Silent unless --verbose or --check turns it on;
// it never changes what the player does, only what it says.
#pragma once
#include <functional>
#include <string>

namespace diag {

// Turns reporting on or off; off by default, so a normal run prints nothing.
void SetEnabled(bool enabled);
bool IsEnabled();

// Where reports go when enabled (default: one line on stderr). Tests capture here.
using Sink = std::function<void(const std::string& line)>;
void SetSink(Sink sink);

// Reports one problem. The current script location, if any, is put in front.
void Report(const std::string& message);

// Reports a problem at an explicit place (a shader's own file and line, say).
void ReportAt(const std::string& file, int line, const std::string& message);

// Number of problems reported since the last ResetCount (counted even when disabled).
int Count();
// The last problem reported, as it was or would have been printed (an overlay shows it).
const std::string& Last();
void ResetCount();

// The script line being run; kept by the script reader, restored on scope exit
// so a material file read inside a script command does not lose the outer place.
class LocationScope {
public:
    LocationScope(const std::string& file, int line);
    ~LocationScope();
    LocationScope(const LocationScope&) = delete;
    LocationScope& operator=(const LocationScope&) = delete;

private:
    std::string m_PrevFile;
    int m_nPrevLine;
};

} // namespace diag
