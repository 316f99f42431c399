// CScriptReader: reads a script or material file a line at a time, splits each
// line into a keyword and arguments, and calls the handler a keyword table names.
// It knows no command but "include"; it keeps its place between calls, so a
// handler can stop reading until a later frame. Numbers are the handlers' business.
#pragma once
#include <fstream>
#include <string>
#include <vector>

using ScriptArgs = std::vector<std::string>;
using ScriptCommandHandler = bool (*)(const ScriptArgs& args, void* context);

struct ScriptCommand {
    const char* keyword; // lowercase
    ScriptCommandHandler handler; // null: the keyword is known but not runnable, read as unknown
};

inline constexpr int kMaxScriptFiles = 8;

class CScriptReader {
public:
    CScriptReader(const std::string& fileName, const ScriptCommand* table, int count);
    ~CScriptReader();
    CScriptReader(const CScriptReader&) = delete;
    CScriptReader& operator=(const CScriptReader&) = delete;

    // True when a handler asked to stop or the top-level file has ended; false
    // right after a line whose keyword is not in the table.
    bool ReadCommands(void* context);

    int GetDepth() const { return m_nDepth; }
    // Every file this reader has tried to open so far (included ones too), resolved.
    const std::vector<std::string>& GetFilesTried() const { return m_Tried; }
    // The file being read and the number of its last line read; meaningful while
    // GetDepth() >= 0 (after a stop: the line that stopped).
    const std::string& GetFileName() const { return m_FileNames[m_nDepth < 0 ? 0 : m_nDepth]; }
    int GetLineNumber() const { return m_nLines[m_nDepth < 0 ? 0 : m_nDepth]; }
    // Lines read that held a command (blank and comment lines left out), and files opened.
    long GetLinesRead() const { return m_nLinesRead; }
    int GetFilesOpened() const { return m_nFilesOpened; }

    // Splits a line's text after the keyword into arguments (quotes, no escapes).
    static ScriptArgs Tokenize(const std::string& text);

private:
    bool Open(int slot, const std::string& fileName);
    void CloseCurrent();
    // " (did you mean '...'?)" for a keyword close to one of the table's, else empty.
    std::string Suggestion(const std::string& keyword) const;

    int m_nDepth = 0;
    std::ifstream m_Files[kMaxScriptFiles];
    std::string m_FileNames[kMaxScriptFiles];
    int m_nLines[kMaxScriptFiles] = {};
    std::vector<std::string> m_Tried;
    long m_nLinesRead = 0;
    int m_nFilesOpened = 0;
    const ScriptCommand* m_pTable;
    int m_nCount;
};

// Number reading shared by every handler: the longest leading decimal number,
// 0 when the text does not start with one; trailing text is ignored.
float ParseFloat(const std::string& text);
int32_t ParseInt(const std::string& text);
