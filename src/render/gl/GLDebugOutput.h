// GLDebugOutput: asks the driver (KHR_debug, core in OpenGL 4.3) to describe
// every GL error as it happens and reports each through the diagnostics
// channel. On only while diagnostics are (-v, --check, the tests, which fail
// on any such report); a normal run pays nothing. It does not handle errors:
// the code that made the call still checks what it needs to.
#pragma once

// What each report starts with.
inline constexpr const char* kGLErrorReport = "OpenGL error: ";

// Installs the callback in the current context when diagnostics are on.
void EnableGLErrorReports();
