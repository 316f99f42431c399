// Choosing a decoder by content, never by name: libopenmpt's probe looks for a
// module's signature (a MOD keeps its own 1080 bytes in, where libsndfile never
// looks); everything else goes to libsndfile, which probes for itself.
#include "audio/AudioDecoder.h"

#include "audio/SndfileDecoder.h"
#include "audio/TrackerDecoder.h"

std::unique_ptr<CAudioDecoder> CAudioDecoder::Open(const std::string& path, std::string& error)
{
    std::string moduleError;
    if (CTrackerDecoder::IsModule(path)) {
        if (auto module = CTrackerDecoder::Open(path, moduleError))
            return module;
    }
    if (auto file = CSndfileDecoder::Open(path, error))
        return file;
    // A file that looked like a module is best explained by the module loader.
    if (!moduleError.empty())
        error = moduleError;
    return nullptr;
}
