#include "render/gl/shader/HlslScanner.h"

#include <algorithm>
#include <cctype>

namespace {
bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
} // namespace

bool IsHlslIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

bool EqualNoCase(std::string_view a, std::string_view lower)
{
    if (a.size() != lower.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != lower[i])
            return false;
    return true;
}

void CHlslScanner::SkipTrivia()
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

std::string_view CHlslScanner::Next()
{
    m_bLineStart = false;
    const size_t start = m_Pos;
    if (IsHlslIdentStart(m_Text[m_Pos])) {
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

bool CHlslScanner::SkipBalanced(char open, char close)
{
    int depth = 0;
    while (true) {
        SkipTrivia();
        if (AtEnd())
            return false;
        const std::string_view t = Next();
        if (t.size() == 1 && t[0] == open)
            ++depth;
        else if (t.size() == 1 && t[0] == close && --depth <= 0)
            return true;
    }
}

void CHlslScanner::BlankRange(size_t from, size_t to)
{
    for (size_t i = from; i < to && i < m_Text.size(); ++i)
        if (m_Text[i] != '\n' && m_Text[i] != '\r')
            m_Text[i] = ' ';
}

void CHlslScanner::SkipLine()
{
    // A preprocessor line may go on after a backslash.
    while (m_Pos < m_Text.size() && m_Text[m_Pos] != '\n') {
        if (m_Text[m_Pos] == '\\' && m_Pos + 1 < m_Text.size() && m_Text[m_Pos + 1] == '\n')
            ++m_Pos;
        ++m_Pos;
    }
}
