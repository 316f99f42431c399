#include "render/gl/shader/SampleIndexing.h"

#include "render/gl/shader/HlslScanner.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

namespace {

bool IsMultisampleType(std::string_view word)
{
    return EqualNoCase(word, "texture2dms") || EqualNoCase(word, "texture2dmsarray");
}

// Names declared with a multisampled texture type: "Texture2DMS<float4, 4> Name".
std::set<std::string, std::less<>> MultisampledNames(std::string& text) // read only
{
    std::set<std::string, std::less<>> names;
    CHlslScanner s(text);
    while (true) {
        s.SkipTrivia();
        if (s.AtEnd())
            break;
        if (!IsMultisampleType(s.Next()))
            continue;
        s.SkipTrivia();
        if (!s.AtEnd() && s.Peek() == '<')
            s.SkipBalanced('<', '>');
        s.SkipTrivia();
        if (!s.AtEnd() && IsHlslIdentStart(s.Peek()))
            names.emplace(s.Next());
    }
    return names;
}

struct Edit {
    size_t from, to; // the text from '.' to the last ']'
    std::string with;
};

// After "name", at ". sample [ a ] [ b ]": the edit, or false where the text is something else.
bool ReadSampleOperator(CHlslScanner& s, const std::string& text, Edit& edit)
{
    s.SkipTrivia();
    if (s.AtEnd() || s.Peek() != '.')
        return false;
    edit.from = s.Pos();
    s.Next();
    s.SkipTrivia();
    if (s.AtEnd() || s.Next() != "sample")
        return false;
    std::string_view operands[2];
    for (std::string_view& operand : operands) {
        s.SkipTrivia();
        if (s.AtEnd() || s.Peek() != '[')
            return false;
        const size_t open = s.Pos();
        if (!s.SkipBalanced('[', ']'))
            return false;
        operand = std::string_view(text).substr(open + 1, s.Pos() - open - 2);
    }
    edit.to = s.Pos();
    edit.with = ".Load(" + std::string(operands[1]) + ", " + std::string(operands[0]) + ")";
    return true;
}

} // namespace

bool RewriteSampleIndexing(std::string& source)
{
    const auto names = MultisampledNames(source);
    if (names.empty())
        return false;
    std::vector<Edit> edits;
    CHlslScanner s(source);
    while (true) {
        s.SkipTrivia();
        if (s.AtEnd())
            break;
        const std::string_view token = s.Next();
        Edit edit;
        if (names.count(token) != 0 && ReadSampleOperator(s, source, edit))
            edits.push_back(std::move(edit));
    }
    // Back to front, so the earlier offsets still hold.
    for (auto it = edits.rbegin(); it != edits.rend(); ++it)
        source.replace(it->from, it->to - it->from, it->with);
    return !edits.empty();
}
