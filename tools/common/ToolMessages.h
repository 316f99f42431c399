// How the command-line tools report: a usage problem (status 2) with the usage
// text, a failure of the work itself (status 1) or a warning, on stderr under the
// tool's name. Parsing the arguments stays with each tool.
#pragma once
#include <cstdio>
#include <string>

inline int ToolUsage(const char* tool, const std::string& problem, const char* usage)
{
    std::fprintf(stderr, "%s: %s\n%s", tool, problem.c_str(), usage);
    return 2;
}

inline int ToolError(const char* tool, const std::string& problem)
{
    std::fprintf(stderr, "%s: error: %s\n", tool, problem.c_str());
    return 1;
}

inline void ToolWarning(const char* tool, const std::string& problem)
{
    std::fprintf(stderr, "%s: warning: %s\n", tool, problem.c_str());
}
