// The walk follows TinyXML 2.6's parser step by step: the same white-space
// rules, names, entities, attribute quoting, and the same places where it
// gives up. Elements are kept on an explicit stack instead of recursing.
#include "assets/XmlPreflight.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

enum class Kind { None, Declaration, Comment, Cdata, Unknown, Element };

struct Name {
    const char* start;
    size_t length;
};

class CWalker {
public:
    CWalker(bool utf8, const XmlLimits& limits, XmlPreflightResult& result, const char* text)
        : m_bUtf8(utf8), m_Limits(limits), m_Result(result), m_pText(text)
    {
    }

    void Document(const char* p)
    {
        p = SkipWhiteSpace(p);
        while (p && *p && m_Result.safe) {
            const Kind kind = Identify(p);
            if (kind == Kind::None)
                break;
            p = kind == Kind::Element ? Element(p) : Other(kind, p);
            p = SkipWhiteSpace(p);
        }
    }

private:
    static bool IsWhiteSpace(char c)
    {
        return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
    }
    // Bytes above ASCII count as letters: the parser cannot tell.
    static bool IsAlpha(unsigned char c) { return c < 127 ? std::isalpha(c) != 0 : true; }
    static bool IsAlphaNum(unsigned char c) { return c < 127 ? std::isalnum(c) != 0 : true; }

    // Null for a null or empty start, as the parser's own does.
    const char* SkipWhiteSpace(const char* p) const
    {
        if (!p || !*p)
            return nullptr;
        if (m_bUtf8) {
            while (*p) {
                const auto* u = reinterpret_cast<const unsigned char*>(p);
                // Byte-order marks and the two non-characters after them are skipped as space.
                if (u[0] == 0xEF && ((u[1] == 0xBB && u[2] == 0xBF) || (u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF)))) {
                    p += 3;
                    continue;
                }
                if (!IsWhiteSpace(*p))
                    break;
                ++p;
            }
        } else {
            while (*p && IsWhiteSpace(*p))
                ++p;
        }
        return p;
    }

    static bool Equal(const char* p, const char* tag, bool ignoreCase = false)
    {
        if (!p || !*p)
            return false;
        for (; *p && *tag; ++p, ++tag) {
            const bool same = ignoreCase ? std::tolower(static_cast<unsigned char>(*p)) ==
                                               std::tolower(static_cast<unsigned char>(*tag))
                                         : *p == *tag;
            if (!same)
                return false;
        }
        return *tag == 0;
    }

    static const char* ReadName(const char* p)
    {
        if (!p || !*p || !(IsAlpha(static_cast<unsigned char>(*p)) || *p == '_'))
            return nullptr;
        while (*p && (IsAlphaNum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '-' || *p == '.' || *p == ':'))
            ++p;
        return p;
    }

    static const char* Entity(const char* p)
    {
        if (p[1] == '#' && p[2]) {
            const bool hex = p[2] == 'x';
            if (hex && !p[3])
                return nullptr;
            const char* q = std::strchr(p + (hex ? 3 : 2), ';');
            if (!q)
                return nullptr;
            const char* end = q + 1;
            // Every byte back to the 'x' or '#' must be a digit of the base.
            for (--q; *q != (hex ? 'x' : '#'); --q)
                if (!(hex ? std::isxdigit(static_cast<unsigned char>(*q)) : (*q >= '0' && *q <= '9')))
                    return nullptr;
            return end;
        }
        for (const char* name : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
            if (std::strncmp(name, p, std::strlen(name)) == 0)
                return p + std::strlen(name);
        return p + 1;
    }

    // One character of text: a multi-byte sequence whole in UTF-8, an entity, or a byte.
    const char* Char(const char* p) const
    {
        const auto lead = static_cast<unsigned char>(*p);
        int length = 1;
        if (m_bUtf8)
            length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
        if (length > 1)
            return p + length;
        return *p == '&' ? Entity(p) : p + 1;
    }

    // Text up to endTag, and past it; past the end of the text too when it is missing.
    const char* ReadText(const char* p, const char* endTag, bool trim) const
    {
        if (trim)
            p = SkipWhiteSpace(p);
        while (p && *p && !Equal(p, endTag))
            p = trim && IsWhiteSpace(*p) ? p + 1 : Char(p);
        return p ? p + std::strlen(endTag) : nullptr;
    }

    Kind Identify(const char* p) const
    {
        p = SkipWhiteSpace(p);
        if (!p || *p != '<')
            return Kind::None;
        if (Equal(p, "<?xml", true))
            return Kind::Declaration;
        if (Equal(p, "<!--"))
            return Kind::Comment;
        if (Equal(p, "<![CDATA["))
            return Kind::Cdata;
        if (Equal(p, "<!"))
            return Kind::Unknown;
        if (IsAlpha(static_cast<unsigned char>(p[1])) || p[1] == '_')
            return Kind::Element;
        return Kind::Unknown;
    }

    const char* Attribute(const char* p) const
    {
        p = SkipWhiteSpace(p);
        p = ReadName(p);
        if (!p || !*p)
            return nullptr;
        p = SkipWhiteSpace(p);
        if (!p || *p != '=')
            return nullptr;
        p = SkipWhiteSpace(p + 1);
        if (!p || !*p)
            return nullptr;
        if (*p == '\'')
            return ReadText(p + 1, "'", false);
        if (*p == '"')
            return ReadText(p + 1, "\"", false);
        for (; *p && !IsWhiteSpace(*p) && *p != '/' && *p != '>'; ++p)
            if (*p == '\'' || *p == '"')
                return nullptr;
        return p;
    }

    // Everything but elements: nothing nests inside them.
    const char* Other(Kind kind, const char* p)
    {
        Count(p);
        p = SkipWhiteSpace(p);
        if (!p)
            return nullptr;
        switch (kind) {
        case Kind::Declaration:
            for (p += 5; p && *p;) {
                if (*p == '>')
                    return p + 1;
                p = SkipWhiteSpace(p);
                if (Equal(p, "version", true) || Equal(p, "encoding", true) || Equal(p, "standalone", true))
                    p = Attribute(p);
                else
                    while (*p && *p != '>' && !IsWhiteSpace(*p))
                        ++p;
            }
            return nullptr;
        case Kind::Comment:
            for (p += 4; *p && !Equal(p, "-->"); ++p) {
            }
            return p + 3;
        case Kind::Cdata:
            for (p += 9; *p && !Equal(p, "]]>"); ++p) {
            }
            return ReadText(p, "]]>", false);
        case Kind::Unknown:
            for (++p; *p && *p != '>'; ++p) {
            }
            return *p == '>' ? p + 1 : p;
        default:
            return nullptr;
        }
    }

    // Character data inside an element, up to the next '<'.
    const char* Text(const char* p)
    {
        Count(p);
        p = ReadText(p, "<", true);
        return p ? p - 1 : nullptr;
    }

    void Count(const char* where)
    {
        if (++m_Result.nodes > m_Limits.maxNodes)
            Fail(where, "more than " + std::to_string(m_Limits.maxNodes) + " XML nodes");
    }

    void Fail(const char* where, std::string problem)
    {
        if (!m_Result.safe)
            return;
        m_Result.safe = false;
        m_Result.offset = static_cast<size_t>(where - m_pText);
        m_Result.problem = std::move(problem);
    }

    // An element's start tag: pushes its name; true in selfClosed for "/>".
    const char* StartTag(const char* p, std::vector<Name>& open, bool& selfClosed)
    {
        Count(p);
        p = SkipWhiteSpace(p);
        if (!p || *p != '<')
            return nullptr;
        p = SkipWhiteSpace(p + 1);
        const char* name = p;
        p = ReadName(p);
        if (!p || !*p)
            return nullptr;
        open.push_back({name, static_cast<size_t>(p - name)});
        m_Result.deepest = std::max(m_Result.deepest, open.size());
        if (open.size() > m_Limits.maxDepth) {
            Fail(name, "elements nested more than " + std::to_string(m_Limits.maxDepth) + " deep");
            return nullptr;
        }
        for (size_t attributes = 0; *p;) {
            p = SkipWhiteSpace(p);
            if (!p || !*p)
                return nullptr;
            if (*p == '/') {
                if (p[1] != '>')
                    return nullptr;
                selfClosed = true;
                open.pop_back();
                return p + 2;
            }
            if (*p == '>') {
                selfClosed = false;
                return p + 1;
            }
            if (++attributes > m_Limits.maxAttributes) {
                Fail(p, "an element with more than " + std::to_string(m_Limits.maxAttributes) + " attributes");
                return nullptr;
            }
            Count(p);
            p = Attribute(p);
            if (!p || !*p || !m_Result.safe)
                return nullptr;
        }
        return nullptr;
    }

    // An element and everything inside it; returns where the parser goes on.
    const char* Element(const char* p)
    {
        std::vector<Name> open;
        bool startTag = true;
        for (;;) {
            if (startTag) {
                bool selfClosed = false;
                p = StartTag(p, open, selfClosed);
                if (!p || !m_Result.safe)
                    return nullptr;
                if (selfClosed && open.empty())
                    return p;
            }
            // The content of open.back(), up to its end tag or a child element.
            startTag = false;
            p = SkipWhiteSpace(p);
            while (p && *p && m_Result.safe) {
                if (*p != '<') {
                    p = Text(p);
                } else if (Equal(p, "</")) {
                    break;
                } else {
                    const Kind kind = Identify(p);
                    if (kind == Kind::Element) {
                        startTag = true;
                        break;
                    }
                    p = Other(kind, p);
                }
                p = SkipWhiteSpace(p);
            }
            if (startTag)
                continue;
            if (!p || !*p || !m_Result.safe)
                return nullptr;
            // "</name>", with white space allowed before the '>'.
            const Name& name = open.back();
            if (std::strncmp(p + 2, name.start, name.length) != 0)
                return nullptr;
            p = SkipWhiteSpace(p + 2 + name.length);
            if (!p || *p != '>')
                return nullptr;
            ++p;
            open.pop_back();
            if (open.empty())
                return p;
        }
    }

    bool m_bUtf8;
    const XmlLimits& m_Limits;
    XmlPreflightResult& m_Result;
    const char* m_pText;
};

} // namespace

XmlPreflightResult PreflightXml(const char* text, bool utf8, const XmlLimits& limits)
{
    XmlPreflightResult result;
    CWalker(utf8, limits, result, text).Document(text);
    return result;
}
