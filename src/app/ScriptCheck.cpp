// Script read straight through for --check, its warnings and its summary.
#include "app/ScriptCheck.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "render/Renderer.h"
#include "scene/Resource.h"
#include "scene/ResourceRegistry.h"
#include "script/ScriptReader.h"

namespace {
// The assets a check counts, in the order its summary names them.
struct AssetWords {
    ResourceKind kind;
    const char* one;
    const char* many;
};
const AssetWords kAssetWords[] = {
    {RESOURCE_MATERIAL, "material", "materials"}, {RESOURCE_TEXTURE, "texture", "textures"},
    {RESOURCE_MODEL, "model", "models"},          {RESOURCE_FONT, "font", "fonts"},
    {RESOURCE_AUDIO, "music track", "music tracks"},
};

std::string Counted(long n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}
} // namespace

ScriptCheckResult RunScriptCheck(CDemoSystem& demo)
{
    ScriptCheckResult result;
    CScriptReader* script = demo.m_pScript.get();
    if (!script)
        return result;
    const std::string topFile = script->GetFileName();
    std::string exitFile;
    int exitLine = 0;
    long linesAtExit = 0;
    // Each call reads at least one line or finds the end, so this ends; an unknown
    // keyword (false) and a delay (true) alike just go on with the next line.
    while (script->GetDepth() >= 0) {
        script->ReadCommands(&demo);
        demo.m_fDelayUntil = demo.m_fGlobalTime;
        ++result.batches;
        if (result.exited)
            continue;
        const CRenderer* renderer = demo.m_pRenderer.get();
        if (renderer && (renderer->GetFadeTarget() > 0.0f || renderer->GetFadeValue() > 0.0f))
            result.fadedUp = true;
        if (!demo.m_bRunning) {
            result.exited = true;
            exitFile = script->GetFileName();
            exitLine = script->GetLineNumber();
            linesAtExit = script->GetLinesRead();
        }
    }
    result.lines = script->GetLinesRead();
    result.files = script->GetFilesOpened();
    if (result.exited) {
        result.linesAfterExit = result.lines - linesAtExit;
        if (result.linesAfterExit > 0)
            diag::WarnAt(exitFile, exitLine,
                         "'exitdemo' ends the production here: the " +
                             Counted(result.linesAfterExit, "line", "lines") +
                             " after it never run (checked all the same)");
    }
    if (!result.fadedUp)
        diag::WarnAt(topFile, 0,
                     std::string("no 'fadeup' runs before the production ") + (result.exited ? "exits" : "ends") +
                         ", and the picture starts faded out: every frame is black");
    return result;
}

std::string DescribeCheck(const ScriptCheckResult& result, const CDemoSystem& demo)
{
    std::string text = "checked " + Counted(result.lines, "line", "lines") + " in " +
                       Counted(result.files, "script file", "script files");
    if (!demo.m_Resources)
        return text;
    std::string assets;
    for (const AssetWords& a : kAssetWords) {
        long n = 0;
        for (const CResource* r : demo.m_Resources->GetAll())
            n += r->GetKind() == a.kind ? 1 : 0;
        if (n > 0)
            assets += (assets.empty() ? "" : ", ") + Counted(n, a.one, a.many);
    }
    if (!assets.empty())
        text += " and loaded " + assets;
    return text;
}
