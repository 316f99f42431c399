// A single pass over the text: comments, strings and preprocessor lines are stepped over,
// braces counted, and only top-level declarations are looked at.
#include "render/gl/shader/EffectSyntax.h"

#include "render/gl/shader/HlslScanner.h"

#include <array>
#include <string_view>

namespace {

enum class Blank { Block, Declaration, Initialiser };

struct EffectKeyword {
    const char* word;
    Blank what;
};
// Case-insensitive, as the effect compiler takes them.
constexpr std::array<EffectKeyword, 16> kKeywords{{
    {"technique", Blank::Block},
    {"technique10", Blank::Block},
    {"technique11", Blank::Block},
    {"fxgroup", Blank::Block},
    {"blendstate", Blank::Declaration},
    {"depthstencilstate", Blank::Declaration},
    {"rasterizerstate", Blank::Declaration},
    {"stateblock", Blank::Declaration},
    // Compiled-shader variables: "VertexShader vs = CompileShader(vs_4_0, VSMain());"
    {"vertexshader", Blank::Declaration},
    {"pixelshader", Blank::Declaration},
    {"geometryshader", Blank::Declaration},
    {"hullshader", Blank::Declaration},
    {"domainshader", Blank::Declaration},
    {"computeshader", Blank::Declaration},
    {"samplerstate", Blank::Initialiser},
    {"samplercomparisonstate", Blank::Initialiser},
}};

const EffectKeyword* FindKeyword(std::string_view word)
{
    for (const EffectKeyword& k : kKeywords)
        if (EqualNoCase(word, k.word))
            return &k;
    return nullptr;
}

} // namespace

bool BlankEffectSyntax(std::string& source)
{
    CHlslScanner s(source);
    bool blanked = false;
    int depth = 0;
    bool statementStart = true;
    while (true) {
        s.SkipTrivia();
        if (s.AtEnd())
            break;
        const size_t start = s.Pos();
        const std::string_view token = s.Next();
        if (token == "{") {
            ++depth;
        } else if (token == "}") {
            depth = depth > 0 ? depth - 1 : 0;
        }
        const bool wasStart = statementStart;
        statementStart = token == ";" || token == "{" || token == "}";
        if (depth != 0 || !wasStart || !IsHlslIdentStart(token[0]))
            continue;
        const EffectKeyword* keyword = FindKeyword(token);
        if (!keyword)
            continue;
        if (keyword->what == Blank::Block) {
            // technique11 Name <annotations> { pass ... }
            s.SkipBraces();
            s.BlankRange(start, s.Pos());
            blanked = true;
            statementStart = true;
            continue;
        }
        // Up to the declaration's ';' at this depth; a brace block is the initialiser.
        size_t braceStart = std::string::npos, braceEnd = std::string::npos;
        bool ended = false;
        while (!ended) {
            s.SkipTrivia();
            if (s.AtEnd())
                break;
            if (s.Peek() == '{') {
                size_t at = s.Pos();
                // "= sampler_state { ... }" goes with its braces.
                if (braceStart == std::string::npos)
                    braceStart = at;
                s.SkipBraces();
                braceEnd = s.Pos();
                continue;
            }
            const size_t at = s.Pos();
            const std::string_view t = s.Next();
            if (t == ";") {
                ended = true;
                if (keyword->what == Blank::Declaration)
                    s.BlankRange(start, s.Pos());
            } else if (t == "=" && keyword->what == Blank::Initialiser && braceStart == std::string::npos) {
                braceStart = at;
            }
        }
        if (keyword->what == Blank::Declaration && ended)
            blanked = true;
        if (keyword->what == Blank::Initialiser && braceStart != std::string::npos && braceEnd != std::string::npos) {
            s.BlankRange(braceStart, braceEnd);
            blanked = true;
        }
        statementStart = true;
    }
    return blanked;
}
