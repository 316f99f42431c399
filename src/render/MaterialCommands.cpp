// Handlers of material files: "loadpixelshader", "loadvertexshader", "textureslot".
// Each takes exactly two arguments; any other count ignores the line.
#include "render/MaterialCommands.h"

#include "app/Diagnostics.h"
#include "render/MaterialResource.h"

namespace {

CMaterialResource& Material(void* context) { return *static_cast<CMaterialResource*>(context); }

// what: the two arguments in words, for the message when the count is wrong.
bool TwoArguments(const ScriptArgs& args, const char* keyword, const char* what)
{
    if (args.size() == 2)
        return true;
    diag::Report(std::string("'") + keyword + "' takes 2 arguments (" + what + "), not " +
                 std::to_string(args.size()));
    return false;
}

bool LoadStage(const ScriptArgs& args, void* context, const char* keyword, MaterialStage stage)
{
    CMaterialResource& material = Material(context);
    material.NoteShaderLine(stage);
    if (TwoArguments(args, keyword, "a shader file and an entry point"))
        material.LoadShader(stage, args[0], args[1]);
    return false;
}

bool CmdLoadPixelShader(const ScriptArgs& args, void* context)
{
    return LoadStage(args, context, "loadpixelshader", MaterialStage::Pixel);
}

bool CmdLoadVertexShader(const ScriptArgs& args, void* context)
{
    return LoadStage(args, context, "loadvertexshader", MaterialStage::Vertex);
}

bool CmdTextureSlot(const ScriptArgs& args, void* context)
{
    if (!TwoArguments(args, "textureslot", "a slot name and the shader's texture"))
        return false;
    CMaterialResource& material = Material(context);
    uint32_t bindPoint = 0;
    if (!material.FindPixelResource(args[1], bindPoint)) {
        if (!material.HasPixelShader())
            diag::Report("'textureslot' " + args[0] + ": no pixel shader is loaded before this line; no slot is made");
        else
            diag::Report("'textureslot' " + args[0] + ": the pixel shader uses no texture named '" + args[1] +
                         "'; no slot is made");
        return false;
    }
    // A second slot of a name is made, but textures only ever reach the first.
    if (material.HasTextureSlot(LowerAscii(args[0])))
        diag::Report("'textureslot' " + args[0] + ": the material has a slot of that name already; this one never gets a texture");
    material.AddTextureSlot(args[0], bindPoint);
    return false;
}

} // namespace

const ScriptCommand kMaterialCommands[kMaterialCommandCount] = {
    {"loadpixelshader", CmdLoadPixelShader},
    {"loadvertexshader", CmdLoadVertexShader},
    {"textureslot", CmdTextureSlot},
};
