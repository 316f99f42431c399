// Range renders in child processes, the music, the join; or the plan of them.
#include "app/farm/RenderFarm.h"

#include "app/CommandLine.h"
#include "app/Diagnostics.h"
#include "app/farm/ChildProcess.h"
#include "app/farm/SegmentJoiner.h"
#include "app/platform/InterruptFlag.h"
#include "app/platform/MovieEncoder.h"
#include "app/platform/Player.h"
#include "app/platform/ProgressReporter.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

// Options the farm gives each step itself; every other word of the command line is passed on.
const std::set<std::string> kFarmOptionsWithValue = {"--jobs", "--plan", "--render", "--threads", "--render-audio",
                                                     "--range"};
const std::set<std::string> kFarmFlags = {"--progress-lines", "--count-frames"};

std::vector<std::string> PassedOn(int argc, char** argv)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (kFarmOptionsWithValue.count(a)) {
            ++i;
            continue;
        }
        if (!kFarmFlags.count(a))
            words.push_back(a);
    }
    return words;
}

// "dir/movie.mp4" -> "dir/movie" + tail
std::string Beside(const std::string& out, const std::string& tail)
{
    const std::filesystem::path p(out);
    const std::string name = p.stem().string() + tail;
    return (p.has_parent_path() ? p.parent_path() / name : std::filesystem::path(name)).string();
}

std::string JoinWords(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& w : words)
        line += (line.empty() ? "" : " ") + ShellQuote(w);
    return line;
}

// The steps of a render cut into ranges: what each reads and writes.
struct FarmPlan {
    std::vector<std::vector<std::string>> ranges; // one command per range
    std::vector<std::string> audio;              // the music (none for a PNG sequence)
    std::vector<std::string> join;               // the join (none for a PNG sequence)
    std::vector<std::string> segments;
    std::string audioFile;
};

FarmPlan MakePlan(const std::string& program, const std::vector<std::string>& passed, const std::string& out,
                  const std::string& parts, const std::vector<FrameRange>& ranges, int threads)
{
    FarmPlan plan;
    const bool movie = CMovieEncoder::ContainerFor(out) != nullptr;
    const std::string extension = std::filesystem::path(out).extension().string();
    for (size_t i = 0; i < ranges.size(); ++i) {
        std::vector<std::string> cmd = {program};
        cmd.insert(cmd.end(), passed.begin(), passed.end());
        std::string target = out;
        if (movie) {
            char index[32];
            std::snprintf(index, sizeof(index), ".part-%04zu", i);
            target = parts + index + extension;
            plan.segments.push_back(target);
        }
        cmd.insert(cmd.end(), {"--render", target, "--range",
                               std::to_string(ranges[i].first) + ":" + std::to_string(ranges[i].end)});
        if (threads > 0)
            cmd.insert(cmd.end(), {"--threads", std::to_string(threads)});
        plan.ranges.push_back(std::move(cmd));
    }
    if (movie) {
        plan.audioFile = parts + ".audio.wav";
        plan.audio = {program};
        plan.audio.insert(plan.audio.end(), passed.begin(), passed.end());
        plan.audio.insert(plan.audio.end(), {"--render-audio", plan.audioFile});
        plan.join = {program, "--join", out, plan.audioFile};
        plan.join.insert(plan.join.end(), plan.segments.begin(), plan.segments.end());
    }
    return plan;
}

// Removes a folder of parts whatever way the render ends.
class CPartsFolder {
public:
    explicit CPartsFolder(std::string path) : m_Path(std::move(path)) {}
    ~CPartsFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    const std::string& Path() const { return m_Path; }

private:
    std::string m_Path;
};

// What the children say of the production: every child runs its script, so each
// problem line goes out once, and one summary, the counting child's (it runs the
// whole production), when the render ends. A child's own failure is the farm's to say.
class CChildReports {
public:
    CChildReports() = default;
    CChildReports(const CChildReports&) = delete;
    CChildReports& operator=(const CChildReports&) = delete;
    ~CChildReports()
    {
        if (!m_Summary.empty())
            diag::Notice(m_Summary);
    }

    void Take(CChildProcess& child)
    {
        const std::string own = "marrowlight: ";
        for (const std::string& line : child.TakeErrorLines()) {
            if (line.rfind(own, 0) == 0) {
                const size_t digits = line.find_first_not_of("0123456789", own.size());
                if (m_Summary.empty() && digits > own.size() && digits != std::string::npos &&
                    line.compare(digits, 8, " problem") == 0)
                    m_Summary = line;
                continue;
            }
            if (m_Seen.insert(line).second)
                diag::Notice(line);
        }
    }

private:
    std::set<std::string> m_Seen;
    std::string m_Summary;
};

// Runs one step to its end, keeping an eye on Ctrl-C. Returns its status, or
// kInterruptedStatus after stopping it.
int RunStep(const std::vector<std::string>& argv, CChildProcess& child, CChildReports& reports, std::string& error)
{
    if (!child.Start(argv, error))
        return 1;
    while (!child.Finished()) {
        if (CInterruptFlag::IsRaised()) {
            child.Signal(SIGTERM);
            child.Wait();
            return kInterruptedStatus;
        }
        CChildProcess::Poll({&child}, 200);
        reports.Take(child);
    }
    reports.Take(child);
    if (child.ExitStatus() != 0)
        error = child.LastErrorLine();
    return child.ExitStatus();
}

// The frames the render has: counted by a child that runs the production without drawing
// (and writes the music on the way when audioFile is set).
bool CountFrames(const std::string& program, const std::vector<std::string>& passed, const std::string& audioFile,
                 CChildReports& reports, long& frames, int& status)
{
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), passed.begin(), passed.end());
    argv.push_back("--count-frames");
    if (!audioFile.empty())
        argv.insert(argv.end(), {"--render-audio", audioFile});
    CChildProcess child;
    std::string error;
    status = RunStep(argv, child, reports, error);
    if (status == kInterruptedStatus) {
        ReportFailure("interrupted: nothing was written");
        return false;
    }
    char* end = nullptr;
    frames = std::strtol(child.Output().c_str(), &end, 10);
    if (status != 0 || end == child.Output().c_str()) {
        ReportFailure("cannot go through the production to count its frames: " +
                      (error.empty() ? std::string("it ended with status ") + std::to_string(status) : error));
        status = 1;
        return false;
    }
    return true;
}

int RunJobs(const FarmPlan& plan, const std::vector<FrameRange>& ranges, const std::string& out, int fps, long total,
            CChildReports& reports)
{
    std::vector<std::unique_ptr<CChildProcess>> children;
    std::vector<CChildProcess*> running;
    std::vector<long> done(plan.ranges.size(), 0);
    for (const auto& command : plan.ranges) {
        std::vector<std::string> argv = command;
        argv.push_back("--progress-lines");
        children.push_back(std::make_unique<CChildProcess>());
        std::string error;
        if (!children.back()->Start(argv, error)) {
            ReportFailure(error);
            return 1;
        }
        running.push_back(children.back().get());
    }
    CProgressReporter progress(fps, total);
    int status = 0;
    std::string failure;
    while (true) {
        CChildProcess::Poll(running, 200);
        bool all = true;
        for (size_t i = 0; i < children.size(); ++i) {
            reports.Take(*children[i]);
            for (const std::string& line : children[i]->TakeLines())
                if (line.rfind("frames ", 0) == 0)
                    done[i] = std::strtol(line.c_str() + 7, nullptr, 10);
            if (!children[i]->Finished()) {
                all = false;
                continue;
            }
            if (children[i]->ExitStatus() != 0 && status == 0) {
                status = children[i]->ExitStatus() == kInterruptedStatus ? kInterruptedStatus : 1;
                const std::string why = children[i]->LastErrorLine();
                failure = "frames " + std::to_string(ranges[i].first) + " to " + std::to_string(ranges[i].end - 1) +
                          " failed: " + (why.empty() ? "status " + std::to_string(children[i]->ExitStatus()) : why);
            }
        }
        long sum = 0;
        for (long d : done)
            sum += d;
        progress.Update(sum);
        if (CInterruptFlag::IsRaised() && status == 0)
            status = kInterruptedStatus;
        if (status != 0 || all) {
            progress.Finish(sum);
            break;
        }
    }
    for (auto& child : children)
        reports.Take(*child);
    if (status != 0) {
        // One range failed or Ctrl-C came: the others stop too, between frames.
        for (auto& child : children)
            child->Signal(SIGTERM);
        for (auto& child : children)
            child->Wait();
        if (status == kInterruptedStatus)
            ReportFailure("interrupted: '" + out + "' was not written");
        else
            ReportFailure(failure);
        return status;
    }
    return 0;
}

} // namespace

std::vector<FrameRange> SplitFrames(long total, int parts)
{
    std::vector<FrameRange> ranges;
    if (total <= 0 || parts <= 0)
        return ranges;
    const long n = std::min<long>(parts, total);
    for (long i = 0; i < n; ++i)
        ranges.push_back({total * i / n, total * (i + 1) / n});
    return ranges;
}

std::string ShellQuote(const std::string& word)
{
    static const std::string kPlain =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_./:=%+-,@";
    if (!word.empty() && word.find_first_not_of(kPlain) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunRenderFarm(const PlayerOptions& options, int argc, char** argv)
{
    const std::vector<std::string> passed = PassedOn(argc, argv);
    const int fps = options.fps > 0 ? options.fps : 60;
    const bool movie = CMovieEncoder::ContainerFor(options.render) != nullptr;
    CInterruptFlag interrupt;
    CChildReports reports;

    // This very program runs every step of --jobs; a plan names it as it was called.
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (options.plan > 0) {
        long total = 0;
        int status = 0;
        if (!CountFrames(self.empty() ? argv[0] : self, passed, "", reports, total, status))
            return status;
        const FarmPlan plan = MakePlan(argv[0], passed, options.render, Beside(options.render, ""),
                                       SplitFrames(total, options.plan), options.threads);
        for (const auto& command : plan.ranges)
            std::printf("%s\n", JoinWords(command).c_str());
        if (movie) {
            std::printf("%s\n", JoinWords(plan.audio).c_str());
            std::printf("%s\n", JoinWords(plan.join).c_str());
        }
        return 0;
    }

    if (self.empty()) {
        ReportFailure("cannot find this program's own file to run its ranges: " + ec.message());
        return 1;
    }
    // Parts are made beside the output, in a folder of their own that goes when the render ends.
    const std::filesystem::path outPath = std::filesystem::absolute(options.render);
    CPartsFolder parts((outPath.parent_path() / ("." + outPath.stem().string() + ".parts-" + std::to_string(::getpid())))
                           .string());
    if (movie && !std::filesystem::create_directory(parts.Path(), ec)) {
        ReportFailure("cannot make the folder for the parts of '" + options.render + "': " + ec.message());
        return 1;
    }
    const std::string stem = (std::filesystem::path(parts.Path()) / outPath.stem()).string();
    long total = 0;
    int status = 0;
    if (!CountFrames(self, passed, movie ? stem + ".audio.wav" : "", reports, total, status))
        return status;
    const std::vector<FrameRange> ranges = SplitFrames(total, options.jobs);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int share = options.threads > 0 ? options.threads
                                          : static_cast<int>(std::max<unsigned>(1, cores / std::max<size_t>(1, ranges.size())));
    const FarmPlan plan = MakePlan(self, passed, movie ? outPath.string() : options.render, stem, ranges, share);
    status = RunJobs(plan, ranges, options.render, fps, total, reports);
    if (status != 0 || !movie)
        return status;
    std::string error;
    if (!JoinSegments(outPath.string(), plan.audioFile, plan.segments, error)) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}
