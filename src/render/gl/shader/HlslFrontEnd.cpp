// glslang, called the way the material compile needs it, and its messages rewritten in the
// form editors and the player's diagnostics expect.
#include "render/gl/shader/HlslFrontEnd.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <sstream>

namespace {

void InitGlslangOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        glslang::InitializeProcess();
        std::atexit([] { glslang::FinalizeProcess(); });
    });
}

struct Severity {
    const char* prefix;
    const char* name;
};
constexpr Severity kSeverities[] = {
    {"ERROR: ", "error"}, {"WARNING: ", "warning"}, {"NOTE: ", "note"},
    {"UNIMPLEMENTED: ", "error"}, {"INTERNAL ERROR: ", "error"},
};

// glslang writes "ERROR: file:line: message" and, once parsing stops, "file(line): error at
// column C, HLSL parsing failed."; the column goes to the message of that line. Summary
// lines say nothing the lines before did not.
void AppendGlslangLog(std::string& log, const std::string& path, const char* text)
{
    std::istringstream in(text ? text : "");
    std::vector<std::string> lines; // formatted, without the trailing newline
    std::vector<long> lineNumbers;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (line.empty() || line.find("compilation errors") != std::string::npos ||
            line.find("compilation terminated") != std::string::npos || line == path)
            continue;
        const std::string failed = "error at column ";
        if (line.rfind(path + "(", 0) == 0 && line.find(failed) != std::string::npos) {
            const long at = std::strtol(line.c_str() + path.size() + 1, nullptr, 10);
            const long column = std::strtol(line.c_str() + line.find(failed) + failed.size(), nullptr, 10);
            const std::string where = path + ":" + std::to_string(at);
            bool merged = false;
            for (size_t i = lines.size(); i-- > 0;) {
                if (lineNumbers[i] == at && lines[i].compare(where.size(), 2, ": ") == 0) {
                    lines[i].insert(where.size(), ":" + std::to_string(column));
                    merged = true;
                    break;
                }
            }
            if (!merged) {
                lines.push_back(where + ":" + std::to_string(column) + ": error: syntax error");
                lineNumbers.push_back(at);
            }
            continue;
        }
        std::string severity = "note";
        for (const Severity& s : kSeverities) {
            if (line.rfind(s.prefix, 0) == 0) {
                severity = s.name;
                line.erase(0, std::char_traits<char>::length(s.prefix));
                break;
            }
        }
        long at = -1;
        std::string formatted = path + ": " + severity + ": " + line;
        if (line.rfind(path + ":", 0) == 0) {
            char* end = nullptr;
            at = std::strtol(line.c_str() + path.size() + 1, &end, 10);
            const size_t afterLine = static_cast<size_t>(end - line.c_str());
            if (at > 0 && line.compare(afterLine, 2, ": ") == 0)
                formatted = line.substr(0, afterLine) + ": " + severity + ": " + line.substr(afterLine + 2);
            else
                at = -1;
        }
        // glslang pads messages with a space; editors show it.
        while (!formatted.empty() && formatted.back() == ' ')
            formatted.pop_back();
        lines.push_back(formatted);
        lineNumbers.push_back(at);
    }
    for (const std::string& l : lines)
        log += l + "\n";
}

bool HasPackOffset(const glslang::TType& block)
{
    const glslang::TTypeList* members = block.getStruct();
    if (!members)
        return false;
    for (const glslang::TTypeLoc& member : *members)
        if (member.type && member.type->getQualifier().hasOffset())
            return true;
    return false;
}

Declarations CollectDeclarations(const glslang::TShader& shader)
{
    Declarations declarations;
    const glslang::TIntermediate* intermediate = shader.getIntermediate();
    glslang::TIntermAggregate* root =
        intermediate && intermediate->getTreeRoot() ? intermediate->getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return declarations;
    for (TIntermNode* node : root->getSequence()) {
        glslang::TIntermAggregate* linkage = node ? node->getAsAggregate() : nullptr;
        if (!linkage || linkage->getOp() != glslang::EOpLinkerObjects)
            continue;
        for (TIntermNode* object : linkage->getSequence()) {
            const glslang::TIntermSymbol* symbol = object ? object->getAsSymbolNode() : nullptr;
            if (!symbol)
                continue;
            const glslang::TType& type = symbol->getType();
            const bool block = type.getBasicType() == glslang::EbtBlock;
            std::string key = block ? std::string(type.getTypeName().c_str()) : std::string(symbol->getName().c_str());
            declarations.emplace(key, Declaration{declarations.size(), type.getQualifier().hasBinding(),
                                                  block && HasPackOffset(type)});
        }
    }
    return declarations;
}

} // namespace

FrontEndResult HlslToSpirv(const std::string& path, const std::string& source, const std::string& entry,
                           ShaderStage stage, std::string& log)
{
    FrontEndResult result;
    InitGlslangOnce();
    const EShLanguage language = stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* name = path.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1(); // keeps the semantics as decorations
    shader.setDxPositionW(true);             // SV_Position.w in a pixel shader is w, not 1/w
    // Enhanced messages: one error per problem, not the cascade after it.
    const auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                   EShMsgHlslOffsets | EShMsgHlslLegalization | EShMsgEnhanced);
    // The default includer refuses every #include, as Direct3D does without a handler.
    const bool parsed = shader.parse(GetDefaultResources(), 100, false, messages);
    AppendGlslangLog(log, path, shader.getInfoLog());
    if (!parsed)
        return result;

    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(messages);
    const glslang::TIntermediate* linkedStage = program.getIntermediate(language);
    if (linked && linkedStage && linkedStage->getNumEntryPoints() < 1) {
        // glslang only warns; Direct3D fails the compile.
        log += path + ": error: entry point '" + entry + "' not found\n";
        return result;
    }
    AppendGlslangLog(log, path, program.getInfoLog());
    if (!linked || !linkedStage)
        return result;

    result.declarations = CollectDeclarations(shader);
    result.needsLegalization = linkedStage->needsLegalization();
    glslang::SpvOptions options;
    options.disableOptimizer = true; // SpirvOptimizer runs the passes this translation needs
    options.validate = false;
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), result.spirv, &logger, &options);
    const std::string spvMessages = logger.getAllMessages();
    if (!spvMessages.empty())
        AppendGlslangLog(log, path, spvMessages.c_str());
    result.ok = !result.spirv.empty();
    return result;
}
