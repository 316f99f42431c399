// Music files as a track opens them: the decoder reads a few seconds, seeks
// back into the middle and reads again, as a seek from the script would.
#include "FuzzTarget.h"

#include "audio/AudioDecoder.h"
#include "unit/AudioTestFiles.h"
#include "unit/TestModule.h"

#include <filesystem>
#include <fstream>
#include <sstream>

const char* const kFuzzReproPatterns[] = {"*/*.wav", "*/*.ogg", "*/*.flac", "*/*.mp3", "*/*.mod", "*/*.xm", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    audiotest::ScratchDir dir;
    std::vector<FuzzSeed> seeds;
    const struct {
        const char* name;
        int format;
        int rate;
        int channels;
    } kinds[] = {
        {"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1},
        {"wavfloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 3},
        {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 11025, 2},
        {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16000, 2},
        {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 2},
        {"opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1},
        {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 1},
    };
    for (const auto& kind : kinds) {
        const std::string path = dir.File(kind.name);
        if (!audiotest::WriteAudio(path, kind.format, kind.rate, kind.channels, kind.rate / 10,
                                   audiotest::Sine(440.0, kind.rate, 0.5f)))
            continue;
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        seeds.push_back({kind.name, bytes.str()});
    }
    seeds.push_back({"mod", audiotest::ProTrackerModule({0, 4, 6}, 8)});
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::ScratchDir() + "/" +
                             fuzz::WriteScratch("track", std::string_view(reinterpret_cast<const char*>(data), size));
    std::string error;
    std::unique_ptr<CAudioDecoder> decoder = CAudioDecoder::Open(path, error);
    if (!decoder)
        return 0;
    // At most a few seconds: long files cost time, not coverage.
    std::vector<float> block(2 * 4096);
    const int64_t limit = static_cast<int64_t>(decoder->GetRate()) * 4;
    int64_t read = 0;
    for (int n; read < limit && (n = decoder->Read(block.data(), 4096)) > 0;)
        read += n;
    if (decoder->Seek(std::min(read, decoder->GetDeclaredFrames()) / 2))
        decoder->Read(block.data(), 4096);
    return 0;
}
