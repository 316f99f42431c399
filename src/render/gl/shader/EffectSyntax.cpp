// A single pass over the text: comments, strings and preprocessor lines are stepped over,
// braces counted, and only top-level declarations are looked at.
#include "render/gl/shader/EffectSyntax.h"

#include <array>
#include <cctype>
#include <cstring>
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

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool EqualNoCase(std::string_view a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

class Scanner {
public:
    explicit Scanner(std::string& text) : m_Text(text) {}

    // Steps over white space, comments, strings and preprocessor lines from m_Pos;
    // stops at the next character that is code.
    void SkipTrivia()
    {
        const size_t n = m_Text.size();
        while (m_Pos < n) {
            const char c = m_Text[m_Pos];
            if (c == '\n') {
                m_bLineStart = true;
                ++m_Pos;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_Pos;
            } else if (c == '#' && m_bLineStart) {
                SkipLine();
            } else if (c == '/' && m_Pos + 1 < n && m_Text[m_Pos + 1] == '/') {
                SkipLine();
            } else if (c == '/' && m_Pos + 1 < n && m_Text[m_Pos + 1] == '*') {
                const size_t end = m_Text.find("*/", m_Pos + 2);
                m_Pos = end == std::string::npos ? n : end + 2;
            } else {
                return;
            }
        }
    }

    bool AtEnd() const { return m_Pos >= m_Text.size(); }
    char Peek() const { return m_Text[m_Pos]; }
    size_t Pos() const { return m_Pos; }

    // One token: an identifier, a string or a single character.
    std::string_view Next()
    {
        m_bLineStart = false;
        const size_t start = m_Pos;
        if (IsIdentStart(m_Text[m_Pos])) {
            while (m_Pos < m_Text.size() && IsIdent(m_Text[m_Pos]))
                ++m_Pos;
        } else if (m_Text[m_Pos] == '"') {
            ++m_Pos;
            while (m_Pos < m_Text.size() && m_Text[m_Pos] != '"' && m_Text[m_Pos] != '\n')
                m_Pos += m_Text[m_Pos] == '\\' ? 2 : 1;
            m_Pos = std::min(m_Pos + 1, m_Text.size());
        } else {
            ++m_Pos;
        }
        return std::string_view(m_Text).substr(start, m_Pos - start);
    }

    // Advances to just past the '}' closing the '{' at the current depth; false at the end.
    bool SkipBraces()
    {
        int depth = 0;
        while (true) {
            SkipTrivia();
            if (AtEnd())
                return false;
            const std::string_view t = Next();
            if (t == "{")
                ++depth;
            else if (t == "}" && --depth <= 0)
                return true;
        }
    }

    void BlankRange(size_t from, size_t to)
    {
        for (size_t i = from; i < to && i < m_Text.size(); ++i)
            if (m_Text[i] != '\n' && m_Text[i] != '\r')
                m_Text[i] = ' ';
    }

private:
    void SkipLine()
    {
        // A preprocessor line may go on after a backslash.
        while (m_Pos < m_Text.size() && m_Text[m_Pos] != '\n') {
            if (m_Text[m_Pos] == '\\' && m_Pos + 1 < m_Text.size() && m_Text[m_Pos + 1] == '\n')
                ++m_Pos;
            ++m_Pos;
        }
    }

    std::string& m_Text;
    size_t m_Pos = 0;
    bool m_bLineStart = true;
};

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
    Scanner s(source);
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
        if (depth != 0 || !wasStart || !IsIdentStart(token[0]))
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
