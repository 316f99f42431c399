// Speed of a render cut into ranges on this machine: the showcase rendered by the
// player binary in one process (the baseline: a plain --render) and with --jobs N,
// rounds interleaved so the machine's load falls on every variant alike. Prints
// frames per second (min, median, max over the rounds) and the speed-up of each
// median over the baseline's.
// Usage: RenderFarmBench [seconds=10] [rounds=3] [size=1920x1080] [jobs=1,2,4] [fps=30]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string size = argc > 3 ? argv[3] : "1920x1080";
    const std::string jobsList = argc > 4 ? argv[4] : "1,2,4";
    const int fps = argc > 5 ? std::atoi(argv[5]) : 30;
    const long frames = static_cast<long>(seconds * fps);

    std::vector<int> variants = {0}; // 0: the plain render
    std::stringstream list(jobsList);
    for (std::string item; std::getline(list, item, ',');)
        variants.push_back(std::atoi(item.c_str()));
    const std::string out =
        (std::filesystem::temp_directory_path() / ("farm-bench-" + std::to_string(::getpid()) + ".mp4")).string();
    std::vector<std::vector<double>> rates(variants.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t v = 0; v < variants.size(); ++v) {
            std::string command = std::string("EGL_PLATFORM=surfaceless '") + ML_PLAYER_PATH + "' --size " + size +
                                  " --fps " + std::to_string(fps) + " --frames " + std::to_string(frames) +
                                  " --render '" + out + "'";
            if (variants[v] > 0)
                command += " --jobs " + std::to_string(variants[v]);
            command += std::string(" '") + ML_SHOWCASE_DIR + "' 2>/dev/null";
            const auto start = std::chrono::steady_clock::now();
            const int status = std::system(command.c_str());
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (status != 0) {
                std::fprintf(stderr, "render failed: %s\n", command.c_str());
                return 1;
            }
            rates[v].push_back(static_cast<double>(frames) / elapsed);
            std::printf("round %d  %-8s %6.2f fps\n", round + 1,
                        variants[v] ? ("jobs " + std::to_string(variants[v])).c_str() : "single", rates[v].back());
            std::fflush(stdout);
        }
    }
    std::filesystem::remove(out);
    std::printf("%ld frames at %s, %d fps, %d cores, %d rounds\n", frames, size.c_str(), fps,
                static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN)), rounds);
    const double base = Median(rates[0]);
    for (size_t v = 0; v < variants.size(); ++v) {
        const auto [lo, hi] = std::minmax_element(rates[v].begin(), rates[v].end());
        std::printf("%-8s fps min %6.2f  median %6.2f  max %6.2f  speed-up %.2fx\n",
                    variants[v] ? ("jobs " + std::to_string(variants[v])).c_str() : "single", *lo, Median(rates[v]),
                    *hi, Median(rates[v]) / base);
    }
    return 0;
}
