// Resolves file names written in productions made on Windows: '\' separates
// components, and a path that does not exist exactly is matched
// case-insensitively, component by component. Nothing here opens files for reading.
#pragma once
#include <cstddef>
#include <string>

// Paths this long or longer are not searched for: the system opens none (PATH_MAX).
inline constexpr size_t kMaxResolvedPath = 4096;

// The path to open on this system. When nothing matches, the path with '/'
// separators is returned, so that opening it fails as a missing file. The search
// is bounded (path length, folders read); a path beyond the bounds is reported
// and returned unresolved.
std::string ResolvePath(const std::string& scriptPath);

bool FileExists(const std::string& scriptPath);
