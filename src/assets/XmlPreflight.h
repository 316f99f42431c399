// XmlPreflight: walks an XML text exactly as TinyXML's parser will, stop for
// stop, without building anything, to find what that parser cannot take
// safely: elements nested so deep that its recursion (one frame per element)
// would overflow the stack, an element with so many attributes that its
// duplicate search turns quadratic, or more nodes than a model file needs,
// each of which costs the parser an allocation. The walk is iterative and
// linear. It is not a validator: where the parser would give up, the walk
// stops too and leaves the error to the parser.
#pragma once
#include <cstddef>
#include <string>

struct XmlLimits {
    size_t maxDepth = 256;
    size_t maxAttributes = 256;  // on one element
    size_t maxNodes = 1000000;   // elements, attributes, texts, comments and the rest together
};

struct XmlPreflightResult {
    bool safe = true;
    size_t offset = 0;   // where the walk met the bound that was passed
    std::string problem; // says which bound, for the user
    size_t deepest = 0;  // the deepest element nesting the parser will reach
    size_t nodes = 0;
};

// Bytes of NUL that must follow the text's terminator: the parser steps up to
// four bytes past the end of an unterminated construct before it stops.
inline constexpr size_t kXmlPadding = 16;

// text is NUL-terminated and followed by kXmlPadding more NUL bytes. utf8 says
// whether the parser will be told the text is UTF-8 (it then steps over
// multi-byte sequences whole and skips byte-order marks as white space).
XmlPreflightResult PreflightXml(const char* text, bool utf8, const XmlLimits& limits = {});
