// Command-line parsing.
#include "app/CommandLine.h"

#include <cstdlib>

namespace {
bool ParseLong(const std::string& s, long& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return end && *end == '\0';
}

bool ParseSeconds(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && out >= 0.0 && out < 1.0e7;
}
} // namespace

const char* UsageText()
{
    return "usage: marrowlight [options] [PRODUCTION_DIR]\n"
           "  --headless            render off-screen (EGL), no window, no audio device\n"
           "  --windowed            a window instead of full screen\n"
           "  --size WxH            output size (default 1920x1080)\n"
           "  --fps N               fixed time step of 1/N s (default 60 when headless)\n"
           "  --frames N            stop after N frames\n"
           "  --duration S          stop after S seconds\n"
           "  --capture N:FILE.png  write frame N (0-based) as PNG; repeatable\n"
           "  --render FILE         render to video (mp4/mkv) or PNG sequence (%05d)\n"
           "  --range A:B           with --render: production frames A to B-1 only (a segment without sound)\n"
           "  --render-audio FILE   the music as a render carries it, to .wav or .flac, drawing nothing\n"
           "  --count-frames        print how many frames a render would have (fast, draws nothing)\n"
           "  --jobs N              with --render: render in N processes on this machine, then join\n"
           "  --plan N              with --render: print N range commands, the audio and the join command\n"
           "  --join OUT.mp4 AUDIO SEGMENT...  join segments (stream copy) and the music into one movie\n"
           "  --threads N           cores one render uses (default: all)\n"
           "  --progress-lines      report progress as 'frames N' lines on stdout\n"
           "  --start T             start at T seconds: fast-forward there without showing frames\n"
           "  --loop A:B            play A to B seconds over and over (a window)\n"
           "  --no-watch            do not reload files that change while playing in a window\n"
           "  --check               run every line at once, load every asset, report every problem\n"
           "                        and warning; exit 1 when it found problems\n"
           "  --strict              with --check: warnings count as problems\n"
           "  --new DIR             write a small commented production to start from into DIR\n"
           "  -v, --verbose         report problems (unknown keywords, missing files, shader errors)\n"
           "                        and warnings while playing\n"
           "  --quiet               no line at the end (or, in a window, at the first problem)\n"
           "                        saying that the run met problems\n"
           "  --help, --version\n"
           "keys in a window:\n"
           "  Space pause/resume   Left/Right 1 s back/on   Page Down/Page Up 10 s back/on\n"
           "  Home restart   [ ] set loop start/end   L loop on/off   F1 overlay\n"
           "  F12 screenshot (PNG in the current directory)   Escape quit\n";
}

std::optional<PlayerOptions> ParseCommandLine(int argc, char** argv, std::string& error)
{
    PlayerOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--headless") {
            o.headless = true;
        } else if (a == "--windowed") {
            o.windowed = true;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--no-watch") {
            o.watch = false;
        } else if (a == "--start") {
            if (!value(v))
                return std::nullopt;
            if (!ParseSeconds(v, o.start)) {
                error = "--start wants seconds, for example 40 or 12.5";
                return std::nullopt;
            }
        } else if (a == "--loop") {
            if (!value(v))
                return std::nullopt;
            const size_t colon = v.find(':');
            if (colon == std::string::npos || !ParseSeconds(v.substr(0, colon), o.loopFrom) ||
                !ParseSeconds(v.substr(colon + 1), o.loopTo) || o.loopTo <= o.loopFrom) {
                error = "--loop wants START:END in seconds with END after START, for example 10:15.5";
                return std::nullopt;
            }
        } else if (a == "--range") {
            if (!value(v))
                return std::nullopt;
            const size_t colon = v.find(':');
            if (colon == std::string::npos || !ParseLong(v.substr(0, colon), o.rangeFrom) ||
                !ParseLong(v.substr(colon + 1), o.rangeTo) || o.rangeFrom < 0 || o.rangeTo <= o.rangeFrom) {
                error = "--range wants FIRST:END frames with END after FIRST, for example 0:300";
                return std::nullopt;
            }
        } else if (a == "--render-audio") {
            if (!value(v))
                return std::nullopt;
            o.renderAudio = v;
        } else if (a == "--count-frames") {
            o.countFrames = true;
        } else if (a == "--progress-lines") {
            o.progressLines = true;
        } else if (a == "--jobs" || a == "--plan" || a == "--threads") {
            long n = 0;
            if (!value(v) || !ParseLong(v, n) || n < 1 || n > 4096) {
                if (error.empty())
                    error = a + " wants a whole number from 1 to 4096";
                return std::nullopt;
            }
            (a == "--jobs" ? o.jobs : a == "--plan" ? o.plan : o.threads) = static_cast<int>(n);
        } else if (a == "--join") {
            if (!value(v))
                return std::nullopt;
            o.join = v;
        } else if (a == "--strict") {
            o.strict = true;
        } else if (a == "-v" || a == "--verbose") {
            o.verbose = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--size") {
            if (!value(v))
                return std::nullopt;
            const size_t x = v.find('x');
            long w = 0, h = 0;
            if (x == std::string::npos || !ParseLong(v.substr(0, x), w) || !ParseLong(v.substr(x + 1), h) ||
                w <= 0 || h <= 0 || w > 16384 || h > 16384) {
                error = "--size wants WIDTHxHEIGHT, for example 1280x720";
                return std::nullopt;
            }
            o.width = static_cast<int>(w);
            o.height = static_cast<int>(h);
        } else if (a == "--fps") {
            long n = 0;
            if (!value(v) || !ParseLong(v, n) || n <= 0 || n > 1000) {
                if (error.empty())
                    error = "--fps wants a whole number from 1 to 1000";
                return std::nullopt;
            }
            o.fps = static_cast<int>(n);
        } else if (a == "--frames") {
            long n = 0;
            if (!value(v) || !ParseLong(v, n) || n < 0) {
                if (error.empty())
                    error = "--frames wants a whole number of frames";
                return std::nullopt;
            }
            o.frames = n;
        } else if (a == "--duration") {
            if (!value(v))
                return std::nullopt;
            char* end = nullptr;
            o.duration = std::strtod(v.c_str(), &end);
            if (!end || *end != '\0' || o.duration < 0) {
                error = "--duration wants seconds, for example 12.5";
                return std::nullopt;
            }
        } else if (a == "--capture") {
            if (!value(v))
                return std::nullopt;
            const size_t colon = v.find(':');
            long n = 0;
            if (colon == std::string::npos || !ParseLong(v.substr(0, colon), n) || n < 0 || colon + 1 >= v.size()) {
                error = "--capture wants FRAME:FILE.png, for example 120:shot.png";
                return std::nullopt;
            }
            o.captures.push_back({n, v.substr(colon + 1)});
        } else if (a == "--render") {
            if (!value(v))
                return std::nullopt;
            o.render = v;
        } else if (a == "--new") {
            if (!value(o.newProduction))
                return std::nullopt;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a + " (see --help)";
            return std::nullopt;
        } else if (!o.join.empty()) {
            o.joinInputs.push_back(a);
        } else if (o.productionDir.empty()) {
            o.productionDir = a;
        } else {
            error = "only one production directory may be given";
            return std::nullopt;
        }
    }
    if (!o.join.empty() && !o.productionDir.empty()) {
        // Names given before --join belong to it too.
        o.joinInputs.insert(o.joinInputs.begin(), o.productionDir);
        o.productionDir.clear();
    }
    return o;
}
