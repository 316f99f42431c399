// Script read straight through for --check.
#include "app/ScriptCheck.h"

#include "app/DemoSystem.h"
#include "script/ScriptReader.h"

ScriptCheckResult RunScriptCheck(CDemoSystem& demo)
{
    ScriptCheckResult result;
    CScriptReader* script = demo.m_pScript.get();
    // Each call reads at least one line or finds the end, so this ends; an unknown
    // keyword (false) and a delay (true) alike just go on with the next line.
    while (script && script->GetDepth() >= 0 && demo.m_bRunning) {
        script->ReadCommands(&demo);
        demo.m_fDelayUntil = demo.m_fGlobalTime;
        ++result.batches;
    }
    result.exited = !demo.m_bRunning;
    return result;
}
