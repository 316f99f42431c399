// Runs the test productions: in-process (headless, frames read back as they are
// drawn) or through the player binary, and checks pictures.
#pragma once
#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/platform/Player.h"
#include "render/gl/GLDebugOutput.h"
#include "render/gl/GLRenderer.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // top row first

    std::array<int, 3> At(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// A PNG file as RGB; empty when it cannot be read.
inline Image ReadPng(const std::string& path)
{
    Image image;
    int channels = 0;
    if (unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3)) {
        image.rgb.assign(data, data + static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3);
        stbi_image_free(data);
    }
    return image;
}

// Every pixel of the image within tolerance of the colour.
inline ::testing::AssertionResult Uniform(const Image& image, std::array<int, 3> want, int tolerance = 1)
{
    if (image.rgb.empty())
        return ::testing::AssertionFailure() << "no image";
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const auto got = image.At(x, y);
            for (int c = 0; c < 3; ++c) {
                if (std::abs(got[c] - want[c]) > tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") is (" << got[0] << ", " << got[1] << ", " << got[2]
                           << "), want (" << want[0] << ", " << want[1] << ", " << want[2] << ")";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult Near(std::array<int, 3> got, std::array<int, 3> want, int tolerance = 1)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(got[c] - want[c]) > tolerance)
            return ::testing::AssertionFailure() << "(" << got[0] << ", " << got[1] << ", " << got[2] << "), want ("
                                                 << want[0] << ", " << want[1] << ", " << want[2] << ")";
    return ::testing::AssertionSuccess();
}

// An 8-bit sRGB value decoded to linear, as sampling an sRGB texture does.
inline int SrgbToLinear(int v)
{
    const double c = v / 255.0;
    return static_cast<int>(std::lround((c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4)) * 255.0));
}

// A command-line argument in single quotes.
inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

inline std::string ProductionDir(const std::string& name)
{
    return std::string(ML_TEST_DATA_DIR) + "/productions/" + name;
}

struct ProductionRun {
    int status = -1;
    long frames = 0; // frames drawn
    std::map<long, Image> images;
    std::vector<std::string> reports;

    bool Reported(const std::string& text) const
    {
        for (const std::string& r : reports)
            if (r.find(text) != std::string::npos)
                return true;
        return false;
    }
};

using FrameProbe = std::function<void(long frame, CDemoSystem& demo)>;

// Copies a production and the shared common folder beside it into a scratch
// directory, for tests that write generated files (images) into the production.
// Returns the copy's path, for RunProductionAt.
inline std::string CopyProduction(const std::string& name, const std::filesystem::path& scratch)
{
    const auto productions = scratch / "productions";
    std::filesystem::create_directories(productions);
    std::filesystem::copy(ProductionDir(name), productions / name, std::filesystem::copy_options::recursive);
    if (!std::filesystem::exists(productions / "common")) // one copy serves every production of the scratch
        std::filesystem::copy(ProductionDir("common"), productions / "common",
                              std::filesystem::copy_options::recursive);
    return (productions / name).string();
}

inline const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Bakes DejaVu Sans at 14 pixels (or another size; characters 32-126) with the font baker.
inline bool BakeDejaVu(const std::filesystem::path& out, int pixels = 14)
{
#ifdef ML_FONTBAKER_PATH
    const std::string command = std::string("'") + ML_FONTBAKER_PATH + "' --size " + std::to_string(pixels) + " '" +
                                kDejaVu + "' '" + out.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
#else
    (void)out;
    (void)pixels;
    return false;
#endif
}

// Plays the production in dir headless at width x height with a fixed step,
// keeping the frames asked for. Text is laid out for an output authoredHeight
// high (0: the player's own 1080) and scaled onto this one.
inline ProductionRun RunProductionAt(const std::string& dir, const std::set<long>& keep, int fps = 64,
                                     long maxFrames = 2000, const FrameProbe& probe = {}, int width = 64,
                                     int height = 36, int authoredHeight = 0)
{
    ProductionRun run;
    PlayerOptions options;
    options.headless = true;
    options.width = width;
    options.height = height;
    options.fps = fps;
    options.frames = maxFrames;
    options.productionDir = dir;
    options.authoredHeight = authoredHeight;
    options.quiet = true; // each report is kept; no summary of them
    diag::SetEnabled(true);
    diag::SetSink([&run](const std::string& line) { run.reports.push_back(line); });
    const auto cwd = std::filesystem::current_path();
    run.status = PlayProduction(options, [&](long frame, CDemoSystem& demo) {
        run.frames = frame + 1;
        if (keep.count(frame)) {
            auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
            Image image;
            image.width = renderer.Width();
            image.height = renderer.Height();
            renderer.ReadBackBuffer(image.rgb);
            run.images[frame] = std::move(image);
        }
        if (probe)
            probe(frame, demo);
    });
    std::filesystem::current_path(cwd);
    diag::SetSink({});
    diag::SetEnabled(false);
    // The driver saw every GL call the player made; none may have been an error.
    for (const std::string& report : run.reports)
        if (report.find(kGLErrorReport) != std::string::npos)
            ADD_FAILURE() << dir << ": " << report;
    return run;
}

// Plays tests/productions/<name> at 64x36.
inline ProductionRun RunProduction(const std::string& name, const std::set<long>& keep, int fps = 64,
                                   long maxFrames = 2000, const FrameProbe& probe = {})
{
    return RunProductionAt(ProductionDir(name), keep, fps, maxFrames, probe);
}

// Runs the player binary with these arguments (already quoted) and environment
// assignments in front; returns its exit status and what it wrote to stderr (and,
// when asked, to stdout).
inline int RunPlayerBinary(const std::string& arguments, std::string* errors = nullptr, const std::string& env = "",
                           std::string* output = nullptr)
{
    const auto stem = std::filesystem::temp_directory_path() / ("ml-player-" + std::to_string(::getpid()));
    const std::string errFile = stem.string() + ".err";
    const std::string outFile = stem.string() + ".out";
    const std::string command = "env " + env + " '" + std::string(ML_PLAYER_PATH) + "' " + arguments + " >'" + outFile +
                                "' 2>'" + errFile + "'";
    const int raw = std::system(command.c_str());
    auto slurp = [](const std::string& path, std::string* into) {
        if (!into)
            return;
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        *into = text.str();
    };
    slurp(errFile, errors);
    slurp(outFile, output);
    std::filesystem::remove(errFile);
    std::filesystem::remove(outFile);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
