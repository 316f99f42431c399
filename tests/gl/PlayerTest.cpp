// The player binary: captures, exit statuses and its one-line messages.
#include "ProductionRunner.h"
#include "support/TempDir.h"

namespace {


TEST(Player, CapturesArePngsWithTheTopRowFirst)
{
    TempDir dir;
    const std::string first = (dir.Path() / "first.png").string();
    const std::string third = (dir.Path() / "third.png").string();
    std::string errors;
    const int status = RunPlayerBinary("--headless --size 64x36 --frames 3 --capture 0:" + Quote(first) +
                                           " --capture 2:" + Quote(third) + " " + Quote(ProductionDir("orientation")),
                                       &errors);
    ASSERT_EQ(status, 0) << errors;
    EXPECT_EQ(errors, "");
    const Image png = ReadPng(first);
    ASSERT_EQ(png.width, 64);
    ASSERT_EQ(png.height, 36);
    // The pass writes its texture coordinates: (0, 0) is the top-left corner of
    // the picture, red grows to the right, green downwards; pixel centres sampled.
    EXPECT_TRUE(Near(png.At(0, 0), {2, 4, 0}));
    EXPECT_TRUE(Near(png.At(63, 0), {253, 4, 0}));
    EXPECT_TRUE(Near(png.At(0, 35), {2, 251, 0}));
    EXPECT_TRUE(Near(png.At(63, 35), {253, 251, 0}));
    EXPECT_EQ(ReadPng(third).rgb, png.rgb);

    // A frame that is never drawn cannot be captured: said, and the status is 1.
    const std::string never = (dir.Path() / "never.png").string();
    EXPECT_EQ(RunPlayerBinary("--headless --size 64x36 --frames 2 --capture 5:" + Quote(never) + " " +
                                  Quote(ProductionDir("orientation")),
                              &errors),
              1);
    EXPECT_NE(errors.find("frame 5 was never drawn"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(never));
}

TEST(Player, ExitStatusAndMessages)
{
    std::string errors;
    EXPECT_EQ(RunPlayerBinary("--version", &errors), 0);
    EXPECT_EQ(RunPlayerBinary("--frames", &errors), 2);
    EXPECT_NE(errors.find("--frames needs a value"), std::string::npos) << errors;
    EXPECT_EQ(RunPlayerBinary("--bogus", &errors), 2);
    EXPECT_EQ(RunPlayerBinary("--check --render out.mp4", &errors), 2);
    EXPECT_EQ(errors, "marrowlight: --check and --render cannot be used together\n");
    EXPECT_EQ(RunPlayerBinary("--render out.avi", &errors), 2);
    EXPECT_NE(errors.find("--render wants an .mp4 or .mkv file"), std::string::npos) << errors;
    EXPECT_EQ(RunPlayerBinary("--headless /nonexistent/production", &errors), 1);
    EXPECT_NE(errors.find("cannot enter the production directory '/nonexistent/production'"), std::string::npos);
    // No display and no --headless: one line that says what to do.
    EXPECT_EQ(RunPlayerBinary("--frames 1 " + Quote(ProductionDir("orientation")), &errors,
                              "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER"),
              1);
    EXPECT_NE(errors.find("--headless"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

TEST(Player, ProblemsAreSummedUpInOneLineUnlessQuiet)
{
    std::string errors;
    const std::string production = Quote(ProductionDir("materials"));
    // Without -v: one line at the end, how many, the first with its place, and how to see them all.
    EXPECT_EQ(RunPlayerBinary("--headless --size 64x36 " + production, &errors), 0);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(errors.rfind("marrowlight: ", 0), 0u) << errors;
    EXPECT_NE(errors.find(" problems; the first: ..\\common\\Mats\\UnknownKeyword.txt:"), std::string::npos) << errors;
    EXPECT_NE(errors.find(" (run with -v or --check to see them all)\n"), std::string::npos) << errors;
    EXPECT_EQ(RunPlayerBinary("--headless --size 64x36 --quiet " + production, &errors), 0);
    EXPECT_EQ(errors, "");
    // With -v every problem on its line, and the summary without the hint.
    EXPECT_EQ(RunPlayerBinary("--headless --size 64x36 -v " + production, &errors), 0);
    EXPECT_NE(errors.find("unknown keyword 'blendmode'"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Broken.hlsl:4:"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("run with -v"), std::string::npos) << errors;
    // A clean run says nothing.
    EXPECT_EQ(RunPlayerBinary("--headless --size 64x36 " + Quote(ProductionDir("chain")), &errors), 0);
    EXPECT_EQ(errors, "");

    // A folder without a script is no production: said, status 1, instead of playing black.
    TempDir empty;
    EXPECT_EQ(RunPlayerBinary("--headless --frames 1 " + Quote(empty.Path().string()), &errors), 1);
    EXPECT_EQ(errors, "marrowlight: no DemoScript.txt in '" + empty.Path().string() +
                          "': a production is a folder holding DemoScript.txt\n");
}

} // namespace
