// The one channel through which the player reports problems (unknown keywords,
// missing files, shader errors) and warnings (things that work, but hardly as
// meant). Reports are silent unless --verbose or --check turns them on; they
// never change what the player does, only what it says. Every problem is
// counted, and the first and latest are kept, so a quiet run can still sum up.
#pragma once
#include <functional>
#include <string>

namespace diag {

// Turns reporting on or off; off by default, so a normal run prints nothing.
void SetEnabled(bool enabled);
bool IsEnabled();

// Where lines go (default: one line each on stderr). Tests capture here.
using Sink = std::function<void(const std::string& line)>;
void SetSink(Sink sink);

// Reports one problem. The current script location, if any, is put in front.
void Report(const std::string& message);

// Reports a problem at an explicit place (a shader's own file and line, say).
void ReportAt(const std::string& file, int line, const std::string& message);

// A further line about the problem just reported (a compiler's log, say):
// shown like a report, but not counted as a problem of its own. A problem that
// ends in ':' keeps its first detail, so a summary shows what it announced.
void Detail(const std::string& message);
void DetailAt(const std::string& file, int line, const std::string& message);

// A warning: "warning: " in front of the message, counted apart from problems.
void Warn(const std::string& message);
void WarnAt(const std::string& file, int line, const std::string& message);

// A line of the player's own (a summary) that goes out even when reporting is off.
void Notice(const std::string& line);

// Problems reported since the last ResetCount (counted even when disabled).
int Count();
// Warnings since the last ResetCount.
int WarningCount();
// Clears the counts and the first and latest problem.
void ResetCount();
// The first and the latest problem since ResetCount, with their place, as a
// report would print them; empty when there was none.
const std::string& FirstProblem();
const std::string& LastProblem();

// One line summing up the problems of a run (empty when there were none): how
// many, the first, and, unless they were all shown already, how to see them.
std::string SummaryLine(bool allShown);

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
