// Handlers of the demo script. Each checks its argument count first and does
// nothing (reporting why through diagnostics) when it is wrong or a named object
// is missing. Only "delayuntil" and "exitdemo" stop reading.
#include "script/DemoCommands.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/NearestName.h"
#include "audio/AudioManager.h"
#include "render/FontResource.h"
#include "render/MaterialResource.h"
#include "render/ModelResource.h"
#include "render/PostProcessResource.h"
#include "render/Renderer.h"
#include "render/TextureResource.h"
#include "scene/ModelRendererProperty.h"
#include "scene/NodeResource.h"
#include "scene/Property.h"
#include "scene/ResourceRegistry.h"
#include "scene/TextRendererProperty.h"
#include "scene/Transform.h"
#include "scene/VariableResource.h"

namespace {

CDemoSystem& Demo(void* context) { return *static_cast<CDemoSystem*>(context); }

// "1 argument", "2 or 4 arguments", "3, 5 or 6 arguments".
std::string Counts(std::initializer_list<size_t> allowed)
{
    std::string text;
    size_t i = 0;
    for (size_t n : allowed) {
        if (i > 0)
            text += i + 1 == allowed.size() ? " or " : ", ";
        text += std::to_string(n);
        ++i;
    }
    return text + (allowed.size() == 1 && *allowed.begin() == 1 ? " argument" : " arguments");
}

bool CountIs(const ScriptArgs& args, const char* keyword, std::initializer_list<size_t> allowed)
{
    for (size_t n : allowed)
        if (args.size() == n)
            return true;
    diag::Report(std::string("'") + keyword + "' takes " + Counts(allowed) + ", not " + std::to_string(args.size()));
    return false;
}

bool CountAtLeast(const ScriptArgs& args, const char* keyword, size_t minimum)
{
    if (args.size() >= minimum)
        return true;
    diag::Report(std::string("'") + keyword + "' takes at least " + std::to_string(minimum) + " arguments, not " +
                 std::to_string(args.size()));
    return false;
}

template <typename T>
T* Find(CDemoSystem& demo, const std::string& name, ResourceKind kind, const char* what)
{
    CResource* r = demo.m_Resources->FindResource(name, kind);
    if (!r)
        diag::Report(std::string("no ") + what + " named '" + name + "'");
    return static_cast<T*>(r);
}

CNodeResource* FindNodeByPath(CDemoSystem& demo, const std::string& path)
{
    CNodeResource* node = demo.m_pRenderer->FindNode(LowerAscii(path));
    if (!node)
        diag::Report("no node at path '" + path + "'");
    return node;
}

// Whether text begins with what ParseFloat / ParseInt read as a number.
bool StartsWithNumber(const std::string& text, bool integer)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    auto digit = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    return digit(i) || (!integer && i < text.size() && text[i] == '.' && digit(i + 1));
}

// Numbers as every handler reads them; text that is no number at all reads as 0, and says so.
float Number(const std::string& text)
{
    if (!StartsWithNumber(text, false))
        diag::Report("'" + text + "' is not a number; read as 0");
    return ParseFloat(text);
}

int32_t Integer(const std::string& text)
{
    if (!StartsWithNumber(text, true))
        diag::Report("'" + text + "' is not a whole number; read as 0");
    return ParseInt(text);
}

Float3 ParseFloat3(const ScriptArgs& args, size_t first)
{
    return {Number(args[first]), Number(args[first + 1]), Number(args[first + 2])};
}

// "setposition" and "setrotation": a variable source, or fixed values.
bool SetChannel(const ScriptArgs& args, void* context, const char* keyword, TransformChannel channel)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, keyword, {2, 4}))
        return false;
    CNodeResource* node = FindNodeByPath(demo, args[0]);
    if (args.size() == 4) {
        if (node)
            node->GetTransform()->SetValue(channel, ParseFloat3(args, 1));
        return false;
    }
    auto* variable = Find<CVariableResource>(demo, args[1], RESOURCE_VARIABLE, "variable");
    if (node && variable)
        node->GetTransform()->SetVariable(channel, variable);
    return false;
}

// --- scene, variables and timeline ---

bool CmdCreateNode(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "createnode", {2}))
        return false;
    CNodeResource* node = demo.m_pRenderer->CreateNode(args[0]);
    auto* parent = Find<CNodeResource>(demo, args[1], RESOURCE_NODE, "parent node");
    if (node && parent)
        node->AttachTo(parent);
    return false;
}

bool CmdEnableNode(const ScriptArgs& args, void* context)
{
    if (!CountIs(args, "enablenode", {2}))
        return false;
    if (CNodeResource* node = FindNodeByPath(Demo(context), args[0]))
        node->SetEnabled(Integer(args[1]) != 0);
    return false;
}

bool CmdSetPosition(const ScriptArgs& args, void* context)
{
    return SetChannel(args, context, "setposition", TransformChannel::Position);
}

bool CmdSetRotation(const ScriptArgs& args, void* context)
{
    return SetChannel(args, context, "setrotation", TransformChannel::Rotation);
}

bool CmdCreateVariable(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "createvariable", {3}))
        return false;
    const std::string interpolation = LowerAscii(args[1]);
    if (interpolation != "linear")
        diag::Report("interpolation '" + args[1] + "' is not known; the variable is linear");
    const int32_t count = Integer(args[2]);
    if (count < 0)
        diag::Report("negative component count " + args[2] + " taken as 0");
    auto* variable = new CVariableResource(LowerAscii(args[0]), interpolation, count);
    demo.Adopt(variable);
    if (!demo.m_Resources->AddResource(variable))
        diag::Report("variable '" + args[0] + "' exists already; the new one is never found");
    return false;
}

bool CmdSetVariableKeyframe(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountAtLeast(args, "setvariablekeyframe", 3))
        return false;
    auto* variable = Find<CVariableResource>(demo, args[0], RESOURCE_VARIABLE, "variable");
    if (!variable)
        return false;
    Keyframe* key = variable->AddKeyframe(Number(args[1]));
    for (size_t i = 2; i < args.size(); ++i) {
        const size_t c = i - 2;
        if (c < static_cast<size_t>(variable->GetComponentCount()) && c < key->values.size())
            key->values[c] = Number(args[i]);
    }
    if (args.size() - 2 > static_cast<size_t>(variable->GetComponentCount()))
        diag::Report("'setvariablekeyframe': values beyond the variable's components are ignored");
    return false;
}

bool CmdDelayUntil(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "delayuntil", {2}))
        return true; // pauses until the next frame; the resume time has not moved
    const std::string mode = LowerAscii(args[0]);
    const float t = Number(args[1]);
    const float g = demo.m_fGlobalTime;
    if (mode == "delay") {
        demo.m_fDelayUntil = g + t;
    } else if (mode == "local") {
        demo.m_fDelayUntil = g - demo.m_fLocalTime + t;
    } else if (mode == "music") {
        const double m = demo.m_pAudio ? demo.m_pAudio->GetPosition() : 0.0;
        demo.m_fDelayUntil = static_cast<float>(static_cast<double>(g) - m + static_cast<double>(t));
    } else {
        // Any other word waits for that time on the global clock; "global" says so on
        // purpose, anything else is more likely a slip that waits far too long or not at all.
        if (mode != "global") {
            const std::string nearest = NearestName(mode, {"delay", "local", "music", "global"});
            diag::Warn("'delayuntil' " + args[0] + ": not a clock (delay, local, music or global); waits until " +
                       args[1] + " s of global time" + (nearest.empty() ? "" : " (did you mean '" + nearest + "'?)"));
        }
        demo.m_fDelayUntil = t;
    }
    return true;
}

bool CmdResetLocalTime(const ScriptArgs&, void* context)
{
    Demo(context).m_fLocalTime = 0.0f;
    return false;
}

bool CmdSetMusicTime(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (CountIs(args, "setmusictime", {1}) && demo.m_pAudio)
        demo.m_pAudio->SetPosition(Number(args[0]));
    return false;
}

bool CmdFadeUp(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "fadeup", {1}))
        Demo(context).m_pRenderer->FadeUp(Number(args[0]));
    return false;
}

bool CmdFadeDown(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "fadedown", {1}))
        Demo(context).m_pRenderer->FadeDown(Number(args[0]));
    return false;
}

bool CmdExitDemo(const ScriptArgs&, void* context)
{
    Demo(context).m_bRunning = false;
    return true;
}

// --- assets and effects ---

bool CmdLoadAudioTrack(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (CountIs(args, "loadaudiotrack", {2}) && demo.m_pAudio)
        demo.m_pAudio->LoadTrack(args[0], args[1]);
    return false;
}

bool CmdPlayAudioTrack(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "playaudiotrack", {1}))
        return false;
    CResource* r = demo.m_Resources->FindResource(args[0]);
    if (r && r->GetKind() == RESOURCE_AUDIO && demo.m_pAudio)
        demo.m_pAudio->PlayTrack(r);
    else
        diag::Report("no audio track named '" + args[0] + "'");
    return false;
}

// The factories report their own load failures; these only pass the names on.
bool CmdCreateTexture(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "createtexture", {2}))
        Demo(context).m_pRenderer->CreateTexture(args[0], args[1]);
    return false;
}

bool CmdCreateFont(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "createfont", {2}))
        Demo(context).m_pRenderer->CreateFont(args[0], args[1]);
    return false;
}

bool CmdCreateMaterial(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "creatematerial", {2}))
        Demo(context).m_pRenderer->CreateMaterial(args[0], args[1]);
    return false;
}

bool CmdCreateQuad(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "createquad", {1}))
        Demo(context).m_pRenderer->CreateQuad(args[0]);
    return false;
}

bool CmdCreateModel(const ScriptArgs& args, void* context)
{
    if (CountIs(args, "createmodel", {2}))
        Demo(context).m_pRenderer->CreateModel(args[0], args[1]);
    return false;
}

bool CmdAddProperty(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountAtLeast(args, "addproperty", 3))
        return false;
    const std::string kind = LowerAscii(args[0]);
    CNodeResource* node = FindNodeByPath(demo, args[2]);
    if (!node)
        return false;
    CProperty* property = nullptr;
    bool registered = true;
    if (kind == "modelrenderer") {
        if (!CountAtLeast(args, "addproperty modelrenderer", 4))
            return false;
        auto* model = Find<CModelResource>(demo, args[3], RESOURCE_MODEL, "model");
        if (!model)
            return false;
        property = new CModelRendererProperty(args[1], model);
        demo.Adopt(property);
        registered = demo.m_Resources->AddResource(property);
    } else if (kind == "textrenderer") {
        if (!CountAtLeast(args, "addproperty textrenderer", 5))
            return false;
        auto* font = Find<CFontResource>(demo, args[3], RESOURCE_FONT, "font");
        if (!font)
            return false;
        CTextRendererProperty* text = demo.m_pRenderer->CreateTextRenderer(font, args[1], args[4]);
        // Said now, at this line, rather than on the first frame that draws it (--check draws nothing).
        const std::string why = font->CheckText(args[4]);
        if (!why.empty()) {
            diag::Report("text \"" + LowerAscii(args[1]) + "\" cannot be drawn with font \"" + font->GetName() +
                         "\": " + why);
            if (text)
                text->MarkFailureReported();
        }
        property = text;
    } else if (kind == "camera") {
        property = new CCameraProperty(args[1]);
        demo.Adopt(property);
        registered = demo.m_Resources->AddResource(property);
    } else {
        diag::Report("unknown property kind '" + args[0] + "'");
        return false;
    }
    if (!registered)
        diag::Report("property '" + args[1] + "' exists already; this one is attached but cannot be found by name");
    if (property)
        node->AddProperty(property);
    return false;
}

bool CmdCreatePostProcess(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "createpostprocess", {2}))
        return false;
    auto* material = Find<CMaterialResource>(demo, LowerAscii(args[1]), RESOURCE_MATERIAL, "material");
    if (!material)
        return false;
    CPostProcessResource* effect = demo.m_pRenderer->CreatePostProcess(args[0]);
    if (!effect)
        return false;
    effect->SetMaterial(material);
    material->SetTexture("rendertarget", effect->GetTarget());
    return false;
}

bool CmdAddPostProcess(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (CountIs(args, "addpostprocess", {1}) && Find<CResource>(demo, args[0], RESOURCE_POSTPROCESS, "effect"))
        demo.m_pRenderer->AddPostProcess(LowerAscii(args[0]));
    return false;
}

bool CmdRemovePostProcess(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (CountIs(args, "removepostprocess", {1}) && Find<CResource>(demo, args[0], RESOURCE_POSTPROCESS, "effect"))
        demo.m_pRenderer->RemovePostProcess(LowerAscii(args[0]));
    return false;
}

bool CmdClearPostProcess(const ScriptArgs&, void* context)
{
    Demo(context).m_pRenderer->ClearPostProcesses();
    return false;
}

bool CmdBindTexture(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "bindtexture", {3}))
        return false;
    auto* material = Find<CMaterialResource>(demo, args[0], RESOURCE_MATERIAL, "material");
    auto* texture = Find<CTextureResource>(demo, args[2], RESOURCE_TEXTURE, "texture");
    if (material && texture && !material->SetTexture(LowerAscii(args[1]), texture))
        diag::Report("material '" + args[0] + "' has no texture slot '" + args[1] + "'");
    return false;
}

bool CmdBindMaterial(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "bindmaterial", {3}))
        return false;
    auto* property = Find<CModelRendererProperty>(demo, args[0], RESOURCE_MODELRENDERER, "model renderer");
    auto* material = Find<CMaterialResource>(demo, args[2], RESOURCE_MATERIAL, "material");
    if (property && material && !property->SetMaterial(LowerAscii(args[1]), material))
        diag::Report("model renderer '" + args[0] + "' has no part '" + args[1] + "'");
    return false;
}

bool CmdSetScale(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "setscale", {2, 4}))
        return false;
    CNodeResource* node = FindNodeByPath(demo, args[0]);
    if (!node)
        return false;
    CTransform* transform = node->GetTransform();
    if (args.size() == 4) {
        transform->SetValue(TransformChannel::Scale, ParseFloat3(args, 1));
        return false;
    }
    CResource* r = demo.m_Resources->FindResource(args[1]);
    if (r && r->GetKind() == RESOURCE_VARIABLE) {
        transform->SetVariable(TransformChannel::Scale, static_cast<CVariableResource*>(r));
    } else if (r && r->GetKind() == RESOURCE_TEXTURE) {
        const auto* texture = static_cast<CTextureResource*>(r);
        const float w = static_cast<float>(texture->GetWidth());
        const float h = static_cast<float>(texture->GetHeight());
        transform->SetValue(TransformChannel::Scale, {1.0f, h / w, 1.0f});
    } else {
        diag::Report("'setscale': no variable or texture named '" + args[1] + "'");
    }
    return false;
}

bool CmdSetColour(const ScriptArgs& args, void* context)
{
    CDemoSystem& demo = Demo(context);
    if (!CountIs(args, "setcolour", {3, 5, 6}))
        return false;
    auto* material = Find<CMaterialResource>(demo, args[0], RESOURCE_MATERIAL, "material");
    if (!material)
        return false;
    if (args.size() == 3) {
        if (auto* variable = Find<CVariableResource>(demo, args[2], RESOURCE_VARIABLE, "variable"))
            material->SetColourSource(variable);
        return false;
    }
    const float a = args.size() == 6 ? Number(args[5]) : 1.0f;
    material->SetColour(Number(args[2]), Number(args[3]), Number(args[4]), a);
    return false;
}

} // namespace

const ScriptCommand kDemoCommands[kDemoCommandCount] = {
    {"loadaudiotrack", CmdLoadAudioTrack},
    {"playaudiotrack", CmdPlayAudioTrack},
    {"createtexture", CmdCreateTexture},
    {"createfont", CmdCreateFont},
    {"createnode", CmdCreateNode},
    {"creatematerial", CmdCreateMaterial},
    {"createquad", CmdCreateQuad},
    {"createmodel", CmdCreateModel},
    {"createvariable", CmdCreateVariable},
    {"setvariablekeyframe", CmdSetVariableKeyframe},
    {"addproperty", CmdAddProperty},
    {"setposition", CmdSetPosition},
    {"setrotation", CmdSetRotation},
    {"setscale", CmdSetScale},
    {"setcolour", CmdSetColour},
    {"setmusictime", CmdSetMusicTime},
    {"fadeup", CmdFadeUp},
    {"fadedown", CmdFadeDown},
    {"createpostprocess", CmdCreatePostProcess},
    {"addpostprocess", CmdAddPostProcess},
    {"removepostprocess", CmdRemovePostProcess},
    {"clearpostprocess", CmdClearPostProcess},
    {"bindtexture", CmdBindTexture},
    {"bindmaterial", CmdBindMaterial},
    {"resetlocaltime", CmdResetLocalTime},
    {"delayuntil", CmdDelayUntil},
    {"enablenode", CmdEnableNode},
    {"exitdemo", CmdExitDemo},
};
