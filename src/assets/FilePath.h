// Resolves file names written in productions made on Windows: '\' separates
// components, and a path that does not exist exactly is matched
// case-insensitively, component by component. Nothing here opens files for reading.
#pragma once
#include <string>

// The path to open on this system. When nothing matches, the path with '/'
// separators is returned, so that opening it fails as a missing file.
std::string ResolvePath(const std::string& scriptPath);

bool FileExists(const std::string& scriptPath);
