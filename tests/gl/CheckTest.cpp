// --check through the player binary: a production with one fault of every kind
// planted on known lines, a clean production, and no GL context at all.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Check, EveryPlantedFaultIsReportedOnItsLine)
{
    std::string errors;
    ASSERT_EQ(RunPlayerBinary("--check " + Quote(ProductionDir("check")), &errors), 1) << errors;
    const std::vector<std::string> lines = Lines(errors);
    // Each expected report: the exact place, then a piece of the message.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"DemoScript.txt:4: ", "unknown keyword 'frobnicate'"},
        {"DemoScript.txt:5: ", "'fadeup' takes 1 argument, not 0"},
        {"DemoScript.txt:6: ", "no effect named 'nosuch'"},
        {"DemoScript.txt:7: ", ""},                      // missing image; the loader words it
        {"DemoScript.txt:8: ", "Data\\NotMusic.wav"},   // not decodable as music
        {"Data\\Mats\\Faulty.txt:2: ", "'loadvertexshader'"},
        {"Data\\Mats\\Faulty.txt:3: ", "no pixel shader is loaded before this line"},
        {"Data\\Mats\\Faulty.txt:6: ", "no texture named 'NoSuchTexture'"},
        {"Data\\Mats\\Faulty.txt:8: ", "a slot of that name already"},
        {"Data\\Mats\\Faulty.txt:9: ", "unknown keyword 'blendmode'"},
        {"Data\\Mats\\Broken.txt:2: ", "does not compile"},
        {"Data/Shaders/Broken.hlsl:7:", "error: 'missingColour' : unknown variable"},
        {"DemoScript.txt:11: ", ""},                     // a font that fails; the loader words it
        {"DemoScript.txt:12: ", "a material named 'solid' exists already"},
        {"DemoScript.txt:14: ", "'O' is not a number"}, // after a delay of 100 s: nothing waits
        {"Data\\More.txt:2: ", "no texture named 'nosuchtexture'"},
        {"DemoScript.txt:16: ", "shader constant 'ambientcolour' has 12 bytes"}, // never written
        {"DemoScript.txt:16: ", "warning: material 'constants': nothing fills shader constant 'unregistered'"},
        {"DemoScript.txt:19: ", "unknown keyword 'neverread'"}, // never run, but checked
        {"DemoScript.txt:17: ", "warning: 'exitdemo' ends the production here: the 1 line after it never run"},
        {"DemoScript.txt: ", "warning: no 'fadeup' runs"}, // the one on line 5 failed
    };
    size_t at = 0;
    for (const auto& [place, text] : expected) {
        // In order; a loader may say more than one line about its fault.
        while (at < lines.size() && lines[at].rfind(place, 0) != 0)
            ++at;
        ASSERT_LT(at, lines.size()) << "no report at " << place << " in order:\n" << errors;
        EXPECT_NE(lines[at].find(text), std::string::npos) << lines[at];
        ++at;
    }
    // Every line is a report at a place, but the last, which sums up.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const bool placed = lines[i].find(".txt:") != std::string::npos || lines[i].find(".hlsl:") != std::string::npos;
        EXPECT_TRUE(placed) << lines[i];
    }
    EXPECT_EQ(lines.back().rfind("marrowlight: --check found 17 problems and 3 warnings", 0), 0u) << lines.back();
}

TEST(Check, CleanProductionSaysWhatWasCheckedAndNoContextIsAFailure)
{
    std::string errors, output;
    EXPECT_EQ(RunPlayerBinary("--check " + Quote(ProductionDir("chain")), &errors, "", &output), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(output, "marrowlight: checked 30 lines in 1 script file and loaded 5 materials: no problems\n");
    // A production the frame loop would wait on for minutes is checked at once, too.
    EXPECT_EQ(RunPlayerBinary("--check " + Quote(ProductionDir("endless")), &errors), 0);
    EXPECT_EQ(errors, "");

    // Without a GL driver no shader can be checked: said in one line, status 1.
    EXPECT_EQ(RunPlayerBinary("--check " + Quote(ProductionDir("chain")), &errors,
                              "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"),
              1);
    EXPECT_NE(errors.find("--check needs an OpenGL 4.5 context"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

TEST(Check, WarningsNameTheSlipAndFailOnlyAStrictCheck)
{
    std::string errors, output;
    const std::string production = Quote(ProductionDir("warnings"));
    EXPECT_EQ(RunPlayerBinary("--check " + production, &errors, "", &output), 0) << errors;
    // The script's own warnings are worded by the check itself (tested on its own); the
    // material's comes from loading it.
    EXPECT_NE(errors.find("DemoScript.txt:3: warning: material 'tinted': nothing fills shader constant "
                          "'ambientcolor', so it reads 0; did you mean 'AmbientColour'?\n"),
              std::string::npos)
        << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 4) << errors; // "padding" and "global_time" are fine
    EXPECT_NE(output.find("no problems, 4 warnings\n"), std::string::npos) << output;

    EXPECT_EQ(RunPlayerBinary("--check --strict " + production, &errors), 1);
    EXPECT_NE(errors.find("marrowlight: --check found 4 warnings, which --strict counts as problems\n"),
              std::string::npos)
        << errors;
    EXPECT_EQ(RunPlayerBinary("--strict " + production, &errors), 2);
}

TEST(Check, TextsThatCannotBeDrawnAreFoundWithoutDrawing)
{
#ifdef ML_FONTBAKER_PATH
    if (!std::filesystem::exists(kDejaVu))
        GTEST_SKIP() << "fonts-dejavu-core is not installed";
    // The text production with its font baked (characters 32-126, no default character).
    TempDir dir;
    const std::filesystem::path text = CopyProduction("text", dir.Path());
    std::filesystem::create_directories(text / "Data" / "Fonts");
    ASSERT_TRUE(BakeDejaVu(text / "Data" / "Fonts" / "DejaVu.spritefont"));
    std::string errors;
    EXPECT_EQ(RunPlayerBinary("--check " + Quote(text.string()), &errors), 1);
    for (const char* report : {"DemoScript.txt:6: font \"missing\"",
                               "DemoScript.txt:13: text \"broken\" cannot be drawn with font \"dejavu\": Invalid UTF-8",
                               "DemoScript.txt:14: text \"accent\" cannot be drawn with font \"dejavu\": Character not in font",
                               "DemoScript.txt:16: no font named 'missing'"})
        EXPECT_NE(errors.find(report), std::string::npos) << report << "\n" << errors;
    EXPECT_EQ(errors.find("\"hello\""), std::string::npos) << errors; // "Hi" is fine
#else
    GTEST_SKIP() << "the font baker is not built";
#endif
}

} // namespace
