// Handlers of material files: "loadpixelshader", "loadvertexshader", "textureslot".
// Each takes exactly two arguments; any other count ignores the line.
#include "render/MaterialCommands.h"

#include "app/Diagnostics.h"
#include "render/MaterialResource.h"

namespace {

CMaterialResource& Material(void* context) { return *static_cast<CMaterialResource*>(context); }

bool TwoArguments(const ScriptArgs& args, const char* keyword)
{
    if (args.size() == 2)
        return true;
    diag::Report(std::string("'") + keyword + "': wants a file and an entry point, or a slot and a resource (" +
                 std::to_string(args.size()) + " arguments given)");
    return false;
}

bool CmdLoadPixelShader(const ScriptArgs& args, void* context)
{
    if (TwoArguments(args, "loadpixelshader"))
        Material(context).LoadShader(MaterialStage::Pixel, args[0], args[1]);
    return false;
}

bool CmdLoadVertexShader(const ScriptArgs& args, void* context)
{
    if (TwoArguments(args, "loadvertexshader"))
        Material(context).LoadShader(MaterialStage::Vertex, args[0], args[1]);
    return false;
}

bool CmdTextureSlot(const ScriptArgs& args, void* context)
{
    if (!TwoArguments(args, "textureslot"))
        return false;
    CMaterialResource& material = Material(context);
    uint32_t bindPoint = 0;
    if (material.FindPixelResource(args[1], bindPoint))
        material.AddTextureSlot(args[0], bindPoint);
    else
        diag::Report("'textureslot': the pixel shader has no resource named '" + args[1] +
                     "' (or no pixel shader was loaded before this line)");
    return false;
}

} // namespace

const ScriptCommand kMaterialCommands[kMaterialCommandCount] = {
    {"loadpixelshader", CmdLoadPixelShader},
    {"loadvertexshader", CmdLoadVertexShader},
    {"textureslot", CmdTextureSlot},
};
