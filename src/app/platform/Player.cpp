// Runs the player from its command line.
#include "app/CommandLine.h"

#include <cstdio>

#ifndef ML_VERSION
#define ML_VERSION "0.1.0"
#endif

int RunPlayer(int argc, char** argv)
{
    std::string error;
    const auto options = ParseCommandLine(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "marrowlight: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("marrowlight %s\n", ML_VERSION);
        return 0;
    }
    std::fprintf(stderr, "marrowlight: playing productions needs the OpenGL back end, which this build lacks\n");
    return 1;
}
