// Script reader: line splitting, quoting, includes, stop and resume, unknown keywords.
#include "app/Diagnostics.h"
#include "script/ScriptReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct Call {
    std::string keyword;
    ScriptArgs args;
};

struct Recorder {
    std::vector<Call> calls;
};

template <int N>
bool Record(const ScriptArgs& args, void* ctx)
{
    static const char* const names[] = {"createnode", "addproperty", "delayuntil", "exitdemo"};
    static_cast<Recorder*>(ctx)->calls.push_back({names[N], args});
    return N >= 2; // delayuntil and exitdemo stop reading
}

const ScriptCommand kTable[] = {
    {"createnode", Record<0>},
    {"addproperty", Record<1>},
    {"delayuntil", Record<2>},
    {"exitdemo", Record<3>},
    {"later", nullptr},
};

class ScriptReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    Recorder rec;

    CScriptReader Reader(const std::string& name = "DemoScript.txt") { return CScriptReader(name, kTable, 5); }
};

TEST_F(ScriptReaderTest, WorkedExampleSplitsKeywordsAndArguments)
{
    dir.Write("DemoScript.txt",
              "   # only a comment\n"
              "include part.txt\n"
              "CreateNode ship\troot\n"
              "delayuntil music 12.5\n"
              "createnodde x y\n"
              "exitdemo\n");
    dir.Write("part.txt",
              "createnode ship root\n"
              "addproperty textrenderer label \\ship font \"Hello there, world\"\n");
    CScriptReader reader = Reader();

    EXPECT_TRUE(reader.ReadCommands(&rec)); // stops at delayuntil
    ASSERT_EQ(rec.calls.size(), 4u);
    EXPECT_EQ(rec.calls[0].keyword, "createnode");
    EXPECT_EQ(rec.calls[0].args, (ScriptArgs{"ship", "root"}));
    EXPECT_EQ(rec.calls[1].args, (ScriptArgs{"textrenderer", "label", "\\ship", "font", "Hello there, world"}));
    // Mixed-case keyword found; the tab after the space is trimmed, but the tab between
    // arguments is part of the argument (only a space separates).
    EXPECT_EQ(rec.calls[2].args, (ScriptArgs{"ship\troot"}));
    EXPECT_EQ(rec.calls[3].args, (ScriptArgs{"music", "12.5"}));

    EXPECT_FALSE(reader.ReadCommands(&rec)); // misspelt keyword, line consumed
    EXPECT_TRUE(reader.ReadCommands(&rec));  // exitdemo
    EXPECT_EQ(rec.calls.back().keyword, "exitdemo");
    EXPECT_TRUE(reader.ReadCommands(&rec));  // end of script
    EXPECT_EQ(reader.GetDepth(), -1);
    EXPECT_TRUE(reader.ReadCommands(&rec));  // calls after the end read nothing
    EXPECT_EQ(rec.calls.size(), 5u);
}

TEST_F(ScriptReaderTest, TokenizerQuotingRules)
{
    EXPECT_EQ(CScriptReader::Tokenize("  a  b "), (ScriptArgs{"a", "b"}));
    EXPECT_EQ(CScriptReader::Tokenize("\"x y\"\"\"z"), (ScriptArgs{"x y", "", "z"}));
    EXPECT_EQ(CScriptReader::Tokenize("\"a\"\"b\""), (ScriptArgs{"a", "b"}));
    EXPECT_EQ(CScriptReader::Tokenize("ab\"cd e"), (ScriptArgs{"ab\"cd", "e"}));
    EXPECT_EQ(CScriptReader::Tokenize("a \"unclosed b c"), (ScriptArgs{"a"}));
    EXPECT_EQ(CScriptReader::Tokenize("\"it's\tfine\""), (ScriptArgs{"it's\tfine"}));
    EXPECT_TRUE(CScriptReader::Tokenize(" \t ").empty());
}

TEST_F(ScriptReaderTest, CommentsBlankLinesTabsAndLastLineWithoutNewline)
{
    dir.Write("DemoScript.txt",
              "\r\n \t \r\n"
              "createnode a \"b # c\"\r\n"        // '#' inside quotes still starts a comment
              "createnode\tx y\n"                 // tab does not end the keyword: unknown
              "ADDPROPERTY camera cam \\a");      // no final line end
    CScriptReader reader = Reader();
    EXPECT_FALSE(reader.ReadCommands(&rec));
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].args, (ScriptArgs{"a"})); // unclosed quote dropped, CR not part of the line
    EXPECT_TRUE(reader.ReadCommands(&rec));
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].keyword, "addproperty");
    EXPECT_EQ(rec.calls[1].args, (ScriptArgs{"camera", "cam", "\\a"}));
}

TEST_F(ScriptReaderTest, ByteOrderMarkIsSkippedAndMissingFilesReadAsEmpty)
{
    dir.Write("DemoScript.txt", "\xEF\xBB\xBF" "createnode a root\ninclude missing.txt\ninclude bom.txt\n");
    dir.Write("bom.txt", "\xEF\xBB\xBF" "createnode b root\n");
    CScriptReader reader = Reader();
    EXPECT_TRUE(reader.ReadCommands(&rec));
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].args[0], "b");

    CScriptReader missing = Reader("nothing-here.txt");
    EXPECT_TRUE(missing.ReadCommands(&rec));
    EXPECT_EQ(missing.GetDepth(), -1);
}

TEST_F(ScriptReaderTest, IncludesNestEightDeepAndTheNinthIsIgnored)
{
    // DemoScript.txt is level 0; inc1..inc7 open (eight files); inc8 is one too many.
    dir.Write("DemoScript.txt", "include inc1.txt\ncreatenode after root\n");
    for (int i = 1; i <= 8; ++i) {
        const std::string next = "include inc" + std::to_string(i + 1) + ".txt\n";
        dir.Write("inc" + std::to_string(i) + ".txt",
                  (i < 8 ? next : std::string()) + "createnode level" + std::to_string(i) + " root\n");
    }
    dir.Write("inc8.txt", "createnode level8 root\n");
    dir.Write("inc7.txt", "INCLUDE inc8.txt\ncreatenode level7 root\n");
    CScriptReader reader = Reader();
    EXPECT_TRUE(reader.ReadCommands(&rec));
    std::vector<std::string> order;
    for (const Call& c : rec.calls)
        order.push_back(c.args[0]);
    EXPECT_EQ(order, (std::vector<std::string>{"level7", "level6", "level5", "level4", "level3", "level2",
                                               "level1", "after"}));
}

TEST_F(ScriptReaderTest, IncludeWithWrongArgumentsIsIgnoredAndBackslashPathsResolve)
{
    std::filesystem::create_directories(dir.Path() / "Data" / "Scripts");
    dir.Write("Data/Scripts/Part.TXT", "createnode inner root\n");
    dir.Write("DemoScript.txt", "include\ninclude a b\ninclude data\\scripts\\part.txt\ncreatenode outer root\n");
    CScriptReader reader = Reader();
    EXPECT_TRUE(reader.ReadCommands(&rec));
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[0].args[0], "inner");
    EXPECT_EQ(rec.calls[1].args[0], "outer");
}

TEST_F(ScriptReaderTest, KeywordWithoutHandlerReadsAsUnknown)
{
    dir.Write("DemoScript.txt", "later 1\ncreatenode a root\n");
    CScriptReader reader = Reader();
    EXPECT_FALSE(reader.ReadCommands(&rec));
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_TRUE(reader.ReadCommands(&rec));
    EXPECT_EQ(rec.calls.size(), 1u);
}

TEST_F(ScriptReaderTest, OverlongLinesAndFilesAreCutWithAReport)
{
    std::vector<std::string> reports;
    diag::SetEnabled(true);
    diag::SetSink([&](const std::string& line) { reports.push_back(line); });
    // A line one byte too long is skipped as a whole; the next line runs.
    dir.Write("DemoScript.txt", "createnode " + std::string(kMaxScriptLineBytes, 'x') +
                                    " root\ncreatenode a root\ninclude long.txt\ncreatenode b root\n");
    // The line after the last allowed one is not read; the including file goes on.
    std::string longFile;
    for (int i = 0; i < kMaxScriptLines; ++i)
        longFile += "\n";
    dir.Write("long.txt", longFile + "createnode never root\n");
    CScriptReader reader = Reader();
    EXPECT_TRUE(reader.ReadCommands(&rec));
    diag::SetSink({});
    diag::SetEnabled(false);
    std::vector<std::string> names;
    for (const Call& c : rec.calls)
        names.push_back(c.args[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "DemoScript.txt:1: line longer than 1048576 bytes skipped");
    EXPECT_EQ(reports[1], "long.txt:1000001: more than 1000000 lines in one file; the rest is ignored");
}

TEST(NumberParsing, LongestLeadingDecimalNumber)
{
    EXPECT_FLOAT_EQ(ParseFloat("12.5"), 12.5f);
    EXPECT_FLOAT_EQ(ParseFloat("-3e2xyz"), -300.0f);
    EXPECT_FLOAT_EQ(ParseFloat("1e"), 1.0f);
    EXPECT_FLOAT_EQ(ParseFloat(".5"), 0.5f);
    EXPECT_EQ(ParseFloat("abc"), 0.0f);
    EXPECT_EQ(ParseFloat("0x10"), 0.0f); // no hexadecimal
    EXPECT_EQ(ParseFloat("inf"), 0.0f);
    EXPECT_EQ(ParseFloat("nan"), 0.0f);
    EXPECT_EQ(ParseInt("42abc"), 42);
    EXPECT_EQ(ParseInt("-7"), -7);
    EXPECT_EQ(ParseInt("3.9"), 3);
    EXPECT_EQ(ParseInt("x1"), 0);
    EXPECT_EQ(ParseInt("99999999999"), INT32_MAX);
}

} // namespace
