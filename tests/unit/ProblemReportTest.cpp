// How a run's problems and warnings are told: the end-of-run summary line, the
// "did you mean" choice, and what --check warns of in a script, all with the
// null back end.
#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/NearestName.h"
#include "app/ScriptCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Captures every line the channel sends, reporting on, and leaves it as found.
class Captured {
public:
    explicit Captured(bool enabled = true)
    {
        diag::ResetCount();
        diag::SetEnabled(enabled);
        diag::SetSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~Captured()
    {
        diag::SetSink({});
        diag::SetEnabled(false);
        diag::ResetCount();
    }
    bool Has(const std::string& text) const
    {
        for (const std::string& l : lines)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }
    std::vector<std::string> lines;
};

TEST(ProblemSummary, CountsProblemsNamesTheFirstAndSaysHowToSeeAll)
{
    Captured out(false);
    EXPECT_EQ(diag::SummaryLine(false), ""); // a clean run says nothing
    diag::WarnAt("DemoScript.txt", 3, "a warning is no problem");
    EXPECT_EQ(diag::SummaryLine(false), "");
    {
        diag::LocationScope where("Data\\Mats\\A.txt", 2);
        diag::Report("material 'a': the shader does not compile:");
        // A compiler's lines are details of that one problem; the first completes it.
        diag::DetailAt("Shaders/a.hlsl", 7, "error: 'x' : unknown\nvariable");
        diag::Detail("  more of the log");
    }
    diag::ReportAt("DemoScript.txt", 9, "unknown keyword 'bogus'");
    EXPECT_TRUE(out.lines.empty()); // reporting off: nothing shown, all counted
    EXPECT_EQ(diag::Count(), 2);
    EXPECT_EQ(diag::WarningCount(), 1);
    EXPECT_EQ(diag::LastProblem(), "DemoScript.txt:9: unknown keyword 'bogus'");
    EXPECT_EQ(diag::SummaryLine(false),
              "marrowlight: 2 problems; the first: Data\\Mats\\A.txt:2: material 'a': the shader does not compile: "
              "Shaders/a.hlsl:7: error: 'x' : unknown variable (run with -v or --check to see them all)");
    // When every report was on screen already the hint is left out.
    EXPECT_EQ(diag::SummaryLine(true).find("run with"), std::string::npos);

    diag::ResetCount();
    diag::Report("cannot open script file 'x'");
    EXPECT_EQ(diag::SummaryLine(true), "marrowlight: 1 problem: cannot open script file 'x'");
}

TEST(NearestName, SlipsAreFoundAndStrangersAreNot)
{
    const std::vector<std::string> published = {"global_time", "WorldMatrix", "ViewMatrix",
                                                 "ProjectionMatrix", "fade_value", "AmbientColour"};
    EXPECT_EQ(NearestName("ambientcolor", published), "AmbientColour");
    EXPECT_EQ(NearestName("globaltime", published), "global_time");
    EXPECT_EQ(NearestName("wrldmatrix", published), "WorldMatrix");
    EXPECT_EQ(NearestName("myspeed", published), "");
    EXPECT_EQ(NearestName("fade_value", published), ""); // the name itself is no slip
    EXPECT_EQ(NearestName("fadeu", {"fadeup", "fadedown"}), "fadeup");
    EXPECT_EQ(NearestName("lcoal", {"delay", "local", "music", "global"}), "local"); // swapped letters
    EXPECT_EQ(NearestName("ab", {"xy"}), "");                                          // short words need a real match
    EXPECT_EQ(EditDistance("Kitten", "sitting"), 3u);
}

class ScriptCheck : public ::testing::Test {
protected:
    struct CheckedScript {
        ScriptCheckResult result;
        std::string summary;
    };
    CheckedScript Check(const std::string& script)
    {
        dir.Write("DemoScript.txt", script);
        CheckedScript checked;
        CNullDemoSystem demo;
        EXPECT_TRUE(demo.Init("DemoScript.txt", 64, 36));
        const ScriptCheckResult result = RunScriptCheck(demo);
        checked.result = result;
        checked.summary = DescribeCheck(result, demo);
        return checked;
    }
    TempDir dir;
    ScopedChdir cd{dir.Path()};
};

TEST_F(ScriptCheck, WarnsOfWhatRunsButNotAsMeant)
{
    Captured out;
    dir.Write("Part.txt", "fadedown 1\n");
    const auto checked = Check("createnode a\n"                // 1: wrong count
                               "fadeu 1\n"                     // 2: unknown, near "fadeup"
                               "delayuntil golbal 2\n"         // 3: not a clock
                               "delayuntil global 2\n"         // 4: said on purpose: fine
                               "exitdemo\n"                    // 5
                               "# after the end\n"
                               "include Part.txt\n"            // 7
                               "setposition a 0 0\n");        // 8: checked, though never run
    EXPECT_TRUE(out.Has("DemoScript.txt:1: 'createnode' takes 2 arguments, not 1")) << out.lines[0];
    EXPECT_TRUE(out.Has("DemoScript.txt:2: unknown keyword 'fadeu' (did you mean 'fadeup'?)"));
    EXPECT_TRUE(out.Has("DemoScript.txt:3: warning: 'delayuntil' golbal: not a clock"));
    EXPECT_TRUE(out.Has("(did you mean 'global'?)"));
    EXPECT_FALSE(out.Has("DemoScript.txt:4:"));
    EXPECT_TRUE(out.Has("DemoScript.txt:8: 'setposition' takes 2 or 4 arguments, not 3"));
    EXPECT_TRUE(out.Has("DemoScript.txt:5: warning: 'exitdemo' ends the production here: the 3 lines after it never run"));
    // "fadeu" was no fadeup: every frame would be black.
    EXPECT_TRUE(out.Has("DemoScript.txt: warning: no 'fadeup' runs before the production exits"));
    EXPECT_EQ(diag::WarningCount(), 3);
    EXPECT_EQ(checked.result.lines, 8);
    EXPECT_EQ(checked.result.files, 2);
    EXPECT_EQ(checked.result.linesAfterExit, 3);
    EXPECT_EQ(checked.summary, "checked 8 lines in 2 script files");
}

TEST_F(ScriptCheck, CleanScriptWarnsOfNothing)
{
    Captured out;
    // A fade up after some black is a choice; and a fade up after exitdemo is none.
    const auto checked = Check("delayuntil delay 2\nfadeup 1\ndelayuntil music 4\nexitdemo\n");
    EXPECT_TRUE(out.lines.empty()) << out.lines[0];
    EXPECT_TRUE(checked.result.fadedUp);
    EXPECT_EQ(checked.summary, "checked 4 lines in 1 script file");

    const auto late = Check("exitdemo\nfadeup 1\n");
    EXPECT_FALSE(late.result.fadedUp);
    EXPECT_TRUE(out.Has("warning: no 'fadeup' runs before the production exits"));
}

} // namespace
