// CHlslScanner: steps through HLSL source text token by token for the rewrites made
// before the front end sees a file (effect syntax, operators glslang lacks). Comments,
// strings and preprocessor lines are stepped over; a token is an identifier, a string or
// one character. It does not preprocess: a macro is one identifier like any other.
#pragma once
#include <string>
#include <string_view>

class CHlslScanner {
public:
    explicit CHlslScanner(std::string& text) : m_Text(text) {}

    // Steps over white space, comments, strings and preprocessor lines; stops at the
    // next character that is code.
    void SkipTrivia();

    bool AtEnd() const { return m_Pos >= m_Text.size(); }
    char Peek() const { return m_Text[m_Pos]; }
    size_t Pos() const { return m_Pos; }

    // The next token; call SkipTrivia first.
    std::string_view Next();

    // From a '{' (or '[', '(', '<'), to just past the one that closes it; false at the end.
    bool SkipBalanced(char open, char close);
    bool SkipBraces() { return SkipBalanced('{', '}'); }

    // Blanks [from, to) with spaces, keeping line ends, so line and column numbers hold.
    void BlankRange(size_t from, size_t to);

private:
    void SkipLine();

    std::string& m_Text;
    size_t m_Pos = 0;
    bool m_bLineStart = true;
};

bool IsHlslIdentStart(char c);
// Case-insensitive; lower is all lower case.
bool EqualNoCase(std::string_view a, std::string_view lower);
