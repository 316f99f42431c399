// The demo keyword table: the 28 commands of DemoScript.txt, in table order.
#pragma once
#include "script/ScriptReader.h"

inline constexpr int kDemoCommandCount = 28;
extern const ScriptCommand kDemoCommands[kDemoCommandCount];
