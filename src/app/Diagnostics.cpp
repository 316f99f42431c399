// Diagnostics channel: formats problem reports and hands them to one sink.
#include "app/Diagnostics.h"

#include <cstdio>

namespace diag {
namespace {
bool g_bEnabled = false;
int g_nCount = 0;
int g_nWarnings = 0;
std::string g_First;
std::string g_Last;
std::string g_File;
int g_nLine = 0;
Sink g_Sink;

void Send(const std::string& line)
{
    if (g_Sink)
        g_Sink(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

std::string Placed(const std::string& file, int line, const std::string& message)
{
    if (file.empty())
        return message;
    std::string text = file;
    if (line > 0) {
        text.push_back(':');
        text.append(std::to_string(line));
    }
    text.append(": ");
    text.append(message);
    return text;
}
} // namespace

void SetEnabled(bool enabled) { g_bEnabled = enabled; }
bool IsEnabled() { return g_bEnabled; }
void SetSink(Sink sink) { g_Sink = std::move(sink); }
int Count() { return g_nCount; }
int WarningCount() { return g_nWarnings; }
const std::string& FirstProblem() { return g_First; }
const std::string& LastProblem() { return g_Last; }

void ResetCount()
{
    g_nCount = 0;
    g_nWarnings = 0;
    g_First.clear();
    g_Last.clear();
}

void Report(const std::string& message) { ReportAt(g_File, g_nLine, message); }

void ReportAt(const std::string& file, int line, const std::string& message)
{
    g_Last = Placed(file, line, message);
    if (g_nCount++ == 0)
        g_First = g_Last;
    if (g_bEnabled)
        Send(g_Last);
}

namespace {
// A problem that announced more (it ends in ':') takes its first detail along.
void Continue(const std::string& addition)
{
    if (g_Last.empty() || g_Last.back() != ':')
        return;
    const size_t start = addition.find_first_not_of(' ');
    g_Last += " " + (start == std::string::npos ? std::string() : addition.substr(start));
    if (g_nCount == 1)
        g_First = g_Last;
}
} // namespace

void Detail(const std::string& message)
{
    Continue(message);
    if (g_bEnabled)
        Send(Placed(g_File, g_nLine, message));
}

void DetailAt(const std::string& file, int line, const std::string& message)
{
    const std::string text = Placed(file, line, message);
    Continue(text);
    if (g_bEnabled)
        Send(text);
}

void Warn(const std::string& message) { WarnAt(g_File, g_nLine, message); }

void WarnAt(const std::string& file, int line, const std::string& message)
{
    ++g_nWarnings;
    if (g_bEnabled)
        Send(Placed(file, line, "warning: " + message));
}

void Notice(const std::string& line) { Send(line); }

std::string SummaryLine(bool allShown)
{
    if (g_nCount == 0)
        return {};
    std::string line = "marrowlight: " + std::to_string(g_nCount) + (g_nCount == 1 ? " problem" : " problems");
    line += g_nCount == 1 ? ": " : "; the first: ";
    line += g_First;
    if (!allShown)
        line += " (run with -v or --check to see them all)";
    // One line, whatever a library put in the message.
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

LocationScope::LocationScope(const std::string& file, int line)
    : m_PrevFile(g_File), m_nPrevLine(g_nLine)
{
    g_File = file;
    g_nLine = line;
}

LocationScope::~LocationScope()
{
    g_File = m_PrevFile;
    g_nLine = m_nPrevLine;
}

} // namespace diag
