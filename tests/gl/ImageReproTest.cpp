// The image files found by fuzzing that once crashed the player or made it
// allocate gigabytes (shared/repro/image-*): each production plays to its end
// through the player binary, fast and well under 1 GB, shows its green fill,
// and -v says why its texture did not load. The productions are read from
// shared/repro beside the checkout (or ML_REPRO_DIR); without them the test skips.
#include "ProductionRunner.h"
#include "support/TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <stb_image.h>
#include <sys/resource.h>

namespace {

std::filesystem::path ReproDir()
{
    if (const char* dir = std::getenv("ML_REPRO_DIR"))
        return dir;
    const std::filesystem::path tests(ML_TEST_DATA_DIR);
    for (const auto& candidate : {tests / ".." / ".." / "shared" / "repro", tests / ".." / ".." / ".." / "shared" / "repro"})
        if (std::filesystem::exists(candidate / "image-1"))
            return candidate;
    return {};
}

struct PlayerRun {
    int status = -1;
    double seconds = 0;
    long maxResidentKb = 0;
    std::string errors;
};

// Runs the player (under a 60 s timeout) and measures its time and peak resident memory.
PlayerRun RunMeasured(const std::vector<std::string>& arguments, const std::filesystem::path& errFile)
{
    std::vector<std::string> argv = {"timeout", "60", ML_PLAYER_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    PlayerRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(err, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxResidentKb = usage.ru_maxrss;
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    run.errors = text.str();
    return run;
}

} // namespace

TEST(ImageRepro, EveryFuzzedImagePlaysToItsEndWithItsGreenFill)
{
    const std::filesystem::path repro = ReproDir();
    if (repro.empty())
        GTEST_SKIP() << "shared/repro is not beside this checkout (set ML_REPRO_DIR)";
    for (int n = 1; n <= 5; ++n) {
        const std::string name = "image-" + std::to_string(n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(std::filesystem::exists(repro / name));
        TempDir temp;
        std::filesystem::copy(repro / name, temp.Path() / name, std::filesystem::copy_options::recursive);
        const std::string capture = (temp.Path() / "out.png").string();
        const PlayerRun run = RunMeasured({"-v", "--headless", "--size", "64x36", "--frames", "3", "--capture",
                                           "2:" + capture, (temp.Path() / name).string()},
                                          temp.Path() / "errors.txt");
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_LT(run.seconds, 5.0);
        EXPECT_LT(run.maxResidentKb, 1024L * 1024L);
        // The texture is refused with a reason, never an empty one.
        EXPECT_NE(run.errors.find("texture 't' (repro.img): "), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find("(repro.img): \n"), std::string::npos) << run.errors;
        int w = 0, h = 0, comp = 0;
        stbi_uc* rgb = stbi_load(capture.c_str(), &w, &h, &comp, 3);
        ASSERT_NE(rgb, nullptr);
        const size_t centre = (size_t(h / 2) * size_t(w) + size_t(w / 2)) * 3;
        EXPECT_LE(rgb[centre], 2);
        EXPECT_GE(rgb[centre + 1], 253);
        EXPECT_LE(rgb[centre + 2], 2);
        stbi_image_free(rgb);
        std::printf("%s: %.2f s, %ld MiB peak: %s", name.c_str(), run.seconds, run.maxResidentKb / 1024,
                    run.errors.c_str());
    }
}
