// ml-synth: writes the showcase's soundtrack. The file type follows the output's
// extension: .ogg (Ogg Vorbis), .flac or .wav. Exit status: 0 written, 1 the
// file could not be written, 2 usage error.
#include "Song.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: ml-synth OUTPUT.ogg|OUTPUT.flac|OUTPUT.wav\n"
    "Renders the showcase soundtrack: 24 bars at 120 BPM (one beat every 0.5 s,\n"
    "one bar every 2 s) plus a 2 s tail, 44100 Hz stereo.\n";

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string path = argv[1];
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    if (EndsWith(path, ".ogg"))
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    else if (EndsWith(path, ".flac"))
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    else if (EndsWith(path, ".wav"))
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    else {
        std::fprintf(stderr, "ml-synth: the output must end in .ogg, .flac or .wav\n%s", kUsage);
        return 2;
    }

    const StereoMix mix = RenderSong(info.samplerate);
    std::vector<float> interleaved(mix.Frames() * 2);
    for (size_t i = 0; i < mix.Frames(); ++i) {
        interleaved[2 * i] = mix.left[i];
        interleaved[2 * i + 1] = mix.right[i];
    }

    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "ml-synth: cannot write \"%s\": %s\n", path.c_str(), sf_strerror(nullptr));
        return 1;
    }
    double quality = 0.6; // Vorbis quality, 0 to 1
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    // Float input is clipped, not wrapped, when written as integers.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // In blocks: libvorbis's analysis buffer does not take a whole song in one write.
    constexpr size_t kBlock = 4096;
    bool ok = true;
    for (size_t first = 0; first < mix.Frames() && ok; first += kBlock) {
        const auto count = static_cast<sf_count_t>(std::min(kBlock, mix.Frames() - first));
        ok = sf_writef_float(file, interleaved.data() + 2 * first, count) == count;
    }
    const int closed = sf_close(file);
    if (!ok || closed != 0) {
        std::fprintf(stderr, "ml-synth: writing \"%s\" failed\n", path.c_str());
        return 1;
    }
    return 0;
}
