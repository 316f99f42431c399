// "marrowlight --new": the production it writes checks clean, plays to its end
// without a report, shows its scene and renders; an occupied folder is refused.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include <fstream>

namespace {

int Brightness(std::array<int, 3> c) { return c[0] + c[1] + c[2]; }
} // namespace

TEST(Starter, NewProductionChecksCleanPlaysAndRenders)
{
    TempDir dir;
    const auto production = dir.Path() / "first";
    std::string errors;
    ASSERT_EQ(RunPlayerBinary("--new " + Quote(production), &errors), 0) << errors;
    for (const char* file : {"DemoScript.txt", "Scenes/Setup.txt", "Data/Mats/FaderMaterial.txt",
                             "Data/Fonts/Title.spritefont", "Data/Music/Tune.wav", "Data/Models/Cube.x3d"})
        EXPECT_TRUE(std::filesystem::is_regular_file(production / file)) << file;

    // The timeline is a dozen commands and ends the production.
    std::ifstream script(production / "DemoScript.txt");
    std::string line, last;
    int commands = 0;
    while (std::getline(script, line))
        if (!line.empty() && line[0] != '#') {
            ++commands;
            last = line;
        }
    EXPECT_LE(commands, 12);
    EXPECT_EQ(last, "exitdemo");

    EXPECT_EQ(RunPlayerBinary("--check " + Quote(production), &errors), 0) << errors;
    EXPECT_EQ(errors, "");

    // Played headless at 30 fps it ends by itself after its 8 s of music, and -v stays silent.
    const ProductionRun run = RunProductionAt(production.string(), {1, 90, 150}, 30, 400, {}, 256, 144);
    EXPECT_EQ(run.status, 0);
    EXPECT_GT(run.frames, 8 * 30);
    EXPECT_LT(run.frames, 9 * 30);
    EXPECT_TRUE(run.reports.empty()) << run.reports.front();
    ASSERT_EQ(run.images.size(), 3u);
    // Faded out at the start; then the cube in the middle, the title near the top.
    EXPECT_LT(Brightness(run.images.at(1).At(128, 72)), 30);
    for (long frame : {90L, 150L}) {
        const Image& image = run.images.at(frame);
        EXPECT_GT(Brightness(image.At(128, 72)), 120) << frame;
        int white = 0;
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < 256; ++x)
                white += Brightness(image.At(x, y)) > 600;
        EXPECT_GT(white, 10) << frame;
    }
    // The keyframed colour moved between 3 s and 5 s.
    EXPECT_NE(run.images.at(90).At(128, 72), run.images.at(150).At(128, 72));

    const auto movie = dir.Path() / "first.mp4";
    EXPECT_EQ(RunPlayerBinary("--render " + Quote(movie) + " --size 64x36 --fps 30 --frames 30 " + Quote(production),
                              &errors),
              0)
        << errors;
    EXPECT_GT(std::filesystem::file_size(movie), 1000u);

    // Never over a production that is there.
    EXPECT_EQ(RunPlayerBinary("--new " + Quote(production), &errors), 1);
    EXPECT_NE(errors.find("not an empty folder"), std::string::npos) << errors;
}
