// Tracker modules through libopenmpt's C interface.
#include "audio/TrackerDecoder.h"

#include "audio/MixFormat.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sys/stat.h>

namespace {
// Modules hold their samples uncompressed; the largest real ones are tens of MiB.
constexpr uint64_t kMaxModuleBytes = uint64_t{256} << 20;
constexpr int kScratchFrames = 4096;

const openmpt_module_initial_ctl kInitialCtls[] = {
    // The song ends with a short fade of what still sounds rather than a cut.
    {"play.at_end", "fadeout"},
    // Notes already sounding at the seek target are picked up where they would be.
    {"seek.sync_samples", "1"},
    {nullptr, nullptr},
};

bool FileSize(const std::string& path, uint64_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

std::string TakeMessage(int error, const char* message)
{
    std::string text = message ? message : "";
    openmpt_free_string(message);
    if (text.empty()) {
        const char* generic = openmpt_error_string(error);
        text = generic ? generic : "not a module libopenmpt can play";
        openmpt_free_string(generic);
    }
    return text;
}
} // namespace

CTrackerDecoder::~CTrackerDecoder()
{
    if (m_pModule)
        openmpt_module_destroy(m_pModule);
}

bool CTrackerDecoder::IsModule(const std::string& path)
{
    uint64_t size = 0;
    if (!FileSize(path, size))
        return false;
    std::vector<char> head(openmpt_probe_file_header_get_recommended_size());
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto got = static_cast<size_t>(in.gcount());
    // "Want more data" after the whole file was read means it is too short to be one.
    return openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, head.data(), got, size,
                                     openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                     nullptr) == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS;
}

std::unique_ptr<CTrackerDecoder> CTrackerDecoder::Open(const std::string& path, std::string& error)
{
    uint64_t size = 0;
    if (!FileSize(path, size)) {
        error = "cannot open the file";
        return nullptr;
    }
    if (size > kMaxModuleBytes) {
        error = "too large for a module";
        return nullptr;
    }
    std::vector<char> bytes(static_cast<size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read the file";
        return nullptr;
    }
    int code = OPENMPT_ERROR_OK;
    const char* message = nullptr;
    // libopenmpt's log would go to stderr; its error comes back here for the player's own channel.
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_store, nullptr, &code,
                                                                &message, kInitialCtls);
    if (!module) {
        error = TakeMessage(code, message);
        return nullptr;
    }
    openmpt_free_string(message);
    std::unique_ptr<CTrackerDecoder> decoder(new CTrackerDecoder);
    decoder->m_pModule = module;
    // The first song, once, whatever the library's default would be.
    openmpt_module_select_subsong(module, 0);
    openmpt_module_set_repeat_count(module, 0);
    const double seconds = openmpt_module_get_duration_seconds(module);
    // Patterns too complex to time report infinity: the length is then found by playing.
    if (std::isfinite(seconds) && seconds > 0.0 && seconds < 1.0e7)
        decoder->m_nDeclaredFrames = std::llround(seconds * kMixRate);
    return decoder;
}

int CTrackerDecoder::GetRate() const { return kMixRate; }

int CTrackerDecoder::Read(float* out, int frames)
{
    int done = 0;
    while (done < frames) {
        const size_t got = openmpt_module_read_interleaved_float_stereo(
            m_pModule, kMixRate, static_cast<size_t>(frames - done), out + static_cast<ptrdiff_t>(done) * 2);
        if (got == 0)
            break;
        done += static_cast<int>(got);
    }
    return done;
}

bool CTrackerDecoder::Seek(int64_t frame)
{
    const double target = static_cast<double>(frame) / kMixRate;
    // libopenmpt lands on the first row that starts at or after the time asked
    // for: ask earlier and earlier until it lands at or before the target.
    double ask = target;
    int64_t reached = std::llround(openmpt_module_set_position_seconds(m_pModule, ask) * kMixRate);
    for (double back = 0.125; reached > frame && ask > 0.0; back *= 2.0) {
        ask = std::max(target - back, 0.0);
        reached = std::llround(openmpt_module_set_position_seconds(m_pModule, ask) * kMixRate);
    }
    if (reached > frame)
        return false;
    // The rest of the way is rendered and dropped, so the next Read starts at frame exactly.
    m_Scratch.resize(static_cast<size_t>(kScratchFrames) * 2);
    for (int64_t skip = frame - reached; skip > 0;) {
        const int n = Read(m_Scratch.data(), static_cast<int>(std::min<int64_t>(skip, kScratchFrames)));
        if (n == 0)
            return false;
        skip -= n;
    }
    return true;
}
