// Guarded X3D reading. The parser is TinyXML 2.6: it recurses once per element,
// steps past the end of its buffer on truncated UTF-8 and on unterminated
// comments and sections, and turns quadratic on many attributes; everything
// here exists so that it never meets those inputs.
#include "assets/X3DDocument.h"

#include "assets/FilePath.h"
#include "assets/Utf8Util.h"
#include "assets/XmlPreflight.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

const char* const kConvert = "convert it with ml-meshbake";

size_t LineAt(const std::string& text, size_t offset)
{
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

bool StartsWith(const std::string& text, size_t at, const char* prefix)
{
    return text.compare(at, std::strlen(prefix), prefix) == 0;
}

// Why the bytes are not an XML text at all, or empty when they may be one.
std::string NotXml(const std::string& bytes)
{
    if (bytes.empty())
        return "the file is empty";
    if (StartsWith(bytes, 0, "\x1F\x8B"))
        return "the file is gzip-compressed (an .x3dz file?): unpack it with gunzip, or " + std::string(kConvert);
    if (StartsWith(bytes, 0, "\xFF\xFE") || StartsWith(bytes, 0, "\xFE\xFF"))
        return "the file is UTF-16 text: save it as UTF-8";
    if (bytes.find('\0') != std::string::npos)
        return "a binary file, not XML: " + std::string(kConvert);
    size_t start = StartsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    start = bytes.find_first_not_of(" \t\r\n", start);
    if (start == std::string::npos)
        return "the file holds only white space";
    if (StartsWith(bytes, start, "#X3D"))
        return "X3D in the classic encoding (.x3dv), not XML: " + std::string(kConvert);
    if (StartsWith(bytes, start, "#VRML"))
        return "a VRML file, not XML: " + std::string(kConvert);
    if (bytes[start] != '<')
        return "not an XML file: " + std::string(kConvert);
    return {};
}

// The encoding the XML declaration names, if the text starts with one.
std::string DeclaredEncoding(const std::string& text)
{
    size_t start = StartsWith(text, 0, "\xEF\xBB\xBF") ? 3 : 0;
    start = text.find_first_not_of(" \t\n", start);
    if (start == std::string::npos || !StartsWith(text, start, "<?xml"))
        return {};
    const size_t end = text.find('>', start);
    const size_t key = text.find("encoding", start);
    if (key == std::string::npos || key > end)
        return {};
    const size_t open = text.find_first_of("\"'", key);
    if (open == std::string::npos || open > end)
        return {};
    const size_t close = text.find(text[open], open + 1);
    if (close == std::string::npos || close > end)
        return {};
    return text.substr(open + 1, close - open - 1);
}

bool IsUtf8Name(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.empty() || name == "utf-8" || name == "utf8";
}

std::string TooLarge(uint64_t size)
{
    return "the file is " + std::to_string(size >> 20) + " MiB, more than the " +
           std::to_string(kMaxX3DFileBytes >> 20) + " MiB a model file may have";
}

} // namespace

bool ParseX3DDocument(std::string bytes, TiXmlDocument& doc, std::string& error)
{
    if (bytes.size() > kMaxX3DFileBytes) {
        error = TooLarge(bytes.size());
        return false;
    }
    error = NotXml(bytes);
    if (!error.empty())
        return false;

    // Line ends as the parser's own file loading leaves them: CR LF and a lone CR become LF.
    std::string text;
    text.reserve(bytes.size() + kXmlPadding + 1);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text.push_back(bytes[i]);
        }
    }
    bytes = std::string();

    // UTF-8 unless the declaration names another encoding, which is then read a byte at a time.
    bool utf8 = true;
    const size_t invalid = utf8util::first_invalid_utf8(text);
    if (invalid != std::string::npos) {
        if (IsUtf8Name(DeclaredEncoding(text))) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(text[invalid])));
            error = "not UTF-8 (byte " + std::string(byte) + " at line " + std::to_string(LineAt(text, invalid)) +
                    "): save the file as UTF-8";
            return false;
        }
        utf8 = false;
    }

    const size_t length = text.size();
    text.append(kXmlPadding + 1, '\0');
    const XmlPreflightResult walk = PreflightXml(text.c_str(), utf8);
    if (!walk.safe) {
        error = walk.problem + " (line " + std::to_string(LineAt(text, std::min(walk.offset, length))) +
                "): refused, no model file needs that";
        return false;
    }
    doc.Parse(text.c_str(), nullptr, utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
    if (doc.Error()) {
        error = std::string("not well-formed XML: ") + doc.ErrorDesc();
        if (doc.ErrorRow() > 0)
            error += " at line " + std::to_string(doc.ErrorRow());
        return false;
    }
    return true;
}

bool LoadX3DDocument(const std::string& scriptPath, TiXmlDocument& doc, std::string& error)
{
    const std::string path = ResolvePath(scriptPath);
    std::ifstream file(path, std::ios::binary);
    struct stat st;
    if (!file || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "cannot open the file";
        return false;
    }
    // Refused before reading: the size alone says no.
    if (static_cast<uint64_t>(st.st_size) > kMaxX3DFileBytes) {
        error = TooLarge(static_cast<uint64_t>(st.st_size));
        return false;
    }
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return ParseX3DDocument(std::move(bytes), doc, error);
}
