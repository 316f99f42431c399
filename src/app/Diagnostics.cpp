// Diagnostics channel: formats problem reports and hands them to one sink.
#include "app/Diagnostics.h"

#include <cstdio>

namespace diag {
namespace {
bool g_bEnabled = false;
int g_nCount = 0;
std::string g_File;
int g_nLine = 0;
Sink g_Sink;
std::string g_Last;

void Emit(const std::string& line)
{
    if (!g_bEnabled)
        return;
    if (g_Sink)
        g_Sink(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}
} // namespace

void SetEnabled(bool enabled) { g_bEnabled = enabled; }
bool IsEnabled() { return g_bEnabled; }
void SetSink(Sink sink) { g_Sink = std::move(sink); }
int Count() { return g_nCount; }
const std::string& Last() { return g_Last; }
void ResetCount() { g_nCount = 0; }

void Report(const std::string& message)
{
    if (g_File.empty()) {
        ++g_nCount;
        g_Last = message;
        Emit(message);
        return;
    }
    ReportAt(g_File, g_nLine, message);
}

void ReportAt(const std::string& file, int line, const std::string& message)
{
    ++g_nCount;
    std::string text = file;
    if (line > 0) {
        text.push_back(':');
        text.append(std::to_string(line));
    }
    text.append(": ");
    text.append(message);
    g_Last = text;
    Emit(text);
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
