// ml-imagegen: writes one of the showcase's procedural images as a PNG.
// Exit status: 0 written, 1 the file could not be written, 2 usage error.
#include "Patterns.h"

#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kUsage =
    "usage: ml-imagegen PATTERN WIDTHxHEIGHT OUTPUT.png\n"
    "Patterns: logo (RGBA, transparent around an eye-shaped emblem),\n"
    "          tiles (opaque glowing panels; square sizes tile seamlessly).\n";

bool ParseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() ||
        text.find_first_not_of("0123456789x") != std::string::npos || text.size() > 11)
        return false;
    width = std::atoi(text.substr(0, x).c_str());
    height = std::atoi(text.substr(x + 1).c_str());
    return width >= 1 && height >= 1 && width <= 8192 && height <= 8192;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    int width = 0, height = 0;
    if (argc != 4 || !ParseSize(argv[2], width, height)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    RgbaImage image;
    if (!DrawPattern(argv[1], width, height, image)) {
        std::fprintf(stderr, "ml-imagegen: unknown pattern \"%s\"\n%s", argv[1], kUsage);
        return 2;
    }
    if (!stbi_write_png(argv[3], width, height, 4, image.rgba.data(), width * 4)) {
        std::fprintf(stderr, "ml-imagegen: cannot write \"%s\"\n", argv[3]);
        return 1;
    }
    return 0;
}
