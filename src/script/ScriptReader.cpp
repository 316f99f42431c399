// Line reading, tokenizing and dispatch; include nesting up to eight files.
#include "script/ScriptReader.h"

#include "app/Diagnostics.h"
#include "app/NearestName.h"
#include "assets/FilePath.h"
#include "scene/Resource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <climits>

namespace {
const char* const kBlanks = " \t";

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string::npos)
        return {};
    const size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}
} // namespace

CScriptReader::CScriptReader(const std::string& fileName, const ScriptCommand* table, int count)
    : m_pTable(table), m_nCount(count)
{
    Open(0, fileName);
}

CScriptReader::~CScriptReader()
{
    while (m_nDepth >= 0)
        CloseCurrent();
}

bool CScriptReader::Open(int slot, const std::string& fileName)
{
    std::ifstream& f = m_Files[slot];
    f.close();
    f.clear();
    m_FileNames[slot] = fileName;
    m_nLines[slot] = 0;
    const std::string resolved = ResolvePath(fileName);
    if (std::find(m_Tried.begin(), m_Tried.end(), resolved) == m_Tried.end())
        m_Tried.push_back(resolved);
    f.open(resolved, std::ios::in | std::ios::binary);
    if (!f.is_open()) {
        // Read as an empty file: the slot closes at once and reading goes on.
        diag::Report("cannot open script file '" + fileName + "'");
        return false;
    }
    ++m_nFilesOpened;
    // Editors on Windows often save a UTF-8 byte-order mark; it is not part of the first line.
    char bom[3] = {};
    f.read(bom, 3);
    if (!(f.gcount() == 3 && bom[0] == '\xEF' && bom[1] == '\xBB' && bom[2] == '\xBF')) {
        f.clear();
        f.seekg(0);
    }
    return true;
}

void CScriptReader::CloseCurrent()
{
    m_Files[m_nDepth].close();
    --m_nDepth;
}

bool CScriptReader::ReadCommands(void* context)
{
    if (m_nDepth < 0)
        return true; // the script has ended; nothing more is read
    for (;;) {
        std::ifstream& f = m_Files[m_nDepth];
        std::string line;
        if (!f.is_open() || !std::getline(f, line)) {
            CloseCurrent();
            if (m_nDepth < 0)
                return true;
            continue;
        }
        const int lineNumber = ++m_nLines[m_nDepth];
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;

        diag::LocationScope where(m_FileNames[m_nDepth], lineNumber);
        ++m_nLinesRead;
        const size_t space = line.find(' ');
        std::string keyword = LowerAscii(line.substr(0, space));
        ScriptArgs args = space == std::string::npos ? ScriptArgs{} : Tokenize(line.substr(space + 1));

        if (keyword == "include") {
            if (args.size() != 1) {
                diag::Report("'include' takes 1 argument (a file name), not " + std::to_string(args.size()));
                continue;
            }
            if (m_nDepth + 1 >= kMaxScriptFiles) {
                diag::Report("include nested deeper than 8 files is ignored");
                continue;
            }
            ++m_nDepth;
            Open(m_nDepth, args[0]);
            continue;
        }

        const ScriptCommand* command = nullptr;
        for (int i = 0; i < m_nCount; ++i) {
            if (keyword == m_pTable[i].keyword) {
                command = &m_pTable[i];
                break;
            }
        }
        if (!command || !command->handler) {
            diag::Report("unknown keyword '" + keyword + "'" + Suggestion(keyword));
            return false;
        }
        if (command->handler(args, context))
            return true;
    }
}

std::string CScriptReader::Suggestion(const std::string& keyword) const
{
    std::vector<std::string> known{"include"};
    for (int i = 0; i < m_nCount; ++i)
        if (m_pTable[i].handler)
            known.emplace_back(m_pTable[i].keyword);
    const std::string nearest = NearestName(keyword, known);
    return nearest.empty() ? std::string() : " (did you mean '" + nearest + "'?)";
}

ScriptArgs CScriptReader::Tokenize(const std::string& input)
{
    ScriptArgs args;
    std::string rest = Trim(input);
    while (!rest.empty()) {
        size_t next;
        if (rest.front() == '"') {
            const size_t close = rest.find('"', 1);
            if (close == std::string::npos) {
                diag::Report("unterminated quoted argument dropped");
                break;
            }
            args.push_back(rest.substr(1, close - 1));
            next = close + 1;
        } else {
            const size_t space = rest.find(' ');
            args.push_back(rest.substr(0, space));
            next = space == std::string::npos ? rest.size() : space;
        }
        rest = Trim(rest.substr(next));
    }
    return args;
}

float ParseFloat(const std::string& text)
{
    // Only sign, digits, point and exponent: strtof alone would also take hex, inf and nan.
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0f;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < n && text[j] >= '0' && text[j] <= '9') {
            while (j < n && text[j] >= '0' && text[j] <= '9')
                ++j;
            i = j;
        }
    }
    return std::strtof(text.substr(0, i).c_str(), nullptr);
}

int32_t ParseInt(const std::string& text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    if (end == i)
        return 0;
    const long long v = std::strtoll(text.substr(0, end).c_str(), nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}
