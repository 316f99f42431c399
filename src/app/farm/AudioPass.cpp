// The music of a render, made without drawing, written through libsndfile.
#include "app/farm/AudioPass.h"

#include "app/DemoSystem.h"
#include "app/FrameAudioCutter.h"
#include "app/platform/InterruptFlag.h"
#include "app/platform/Player.h"
#include "app/platform/RenderOutput.h"
#include "app/platform/VideoWriter.h"
#include "audio/PulledAudioOutput.h"
#include "live/ProductionSession.h"
#include "script/ScriptReader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sndfile.h>
#include <vector>

namespace {

struct AudioFileKind {
    const char* extension;
    int format;
};
// Floats are what a render encodes, so a WAV file holds them exactly; FLAC holds integers.
constexpr AudioFileKind kAudioFiles[] = {
    {".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
};

const AudioFileKind* KindOf(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const AudioFileKind& kind : kAudioFiles)
        if (lower.ends_with(kind.extension))
            return &kind;
    return nullptr;
}

// The file being written; removed unless Commit renamed it to its name.
class CPartialSoundFile {
public:
    ~CPartialSoundFile()
    {
        if (m_pFile)
            sf_close(m_pFile);
        if (!m_Partial.empty()) {
            std::error_code ec;
            std::filesystem::remove(m_Partial, ec);
        }
    }

    bool Open(const std::string& path, int format, std::string& error)
    {
        m_Path = path;
        m_Partial = path + ".partial";
        SF_INFO info{};
        info.samplerate = CRenderOutput::kSampleRate;
        info.channels = CRenderOutput::kChannels;
        info.format = format;
        m_pFile = sf_open(m_Partial.c_str(), SFM_WRITE, &info);
        if (!m_pFile) {
            error = "cannot create '" + path + "': " + sf_strerror(nullptr);
            m_Partial.clear();
            return false;
        }
        // Floats beyond full scale are kept as they are, as the encoder takes them.
        sf_command(m_pFile, SFC_SET_CLIPPING, nullptr, SF_FALSE);
        return true;
    }

    bool Write(const std::vector<float>& samples)
    {
        const sf_count_t frames = static_cast<sf_count_t>(samples.size() / CRenderOutput::kChannels);
        return sf_writef_float(m_pFile, samples.data(), frames) == frames;
    }

    bool Commit(std::string& error)
    {
        const int closed = sf_close(m_pFile);
        m_pFile = nullptr;
        std::error_code ec;
        if (closed == 0)
            std::filesystem::rename(m_Partial, m_Path, ec);
        if (closed != 0 || ec) {
            error = "cannot write '" + m_Path + "'" + (ec ? ": " + ec.message() : std::string());
            return false;
        }
        m_Partial.clear();
        return true;
    }

private:
    SNDFILE* m_pFile = nullptr;
    std::string m_Path;
    std::string m_Partial;
};

} // namespace

bool IsAudioFileName(const std::string& path)
{
    return KindOf(path) != nullptr;
}

int RunAudioPass(CProductionSession& session, const PulledOutputOf& pulled, const AudioPassRequest& request)
{
    CPartialSoundFile file;
    const bool writing = !request.file.empty();
    if (writing) {
        const AudioFileKind* kind = KindOf(request.file);
        std::string error;
        if (!kind || !file.Open(request.file, kind->format, error)) {
            ReportFailure(kind ? error : "--render-audio writes .wav or .flac, not '" + request.file + "'");
            return 1;
        }
    }
    CPulledAudioOutput* audio = nullptr;
    std::vector<float> mixed;
    // As a render output does: the mixer keeps what it makes from here on, and a replay
    // starts its sound afresh.
    const auto bind = [&](CDemoSystem& demo) {
        audio = pulled(demo);
        if (audio) {
            audio->SetKeepSamples(true);
            mixed.clear();
            audio->TakeSamples(mixed);
        }
    };
    bind(session.Demo());
    session.SetOnReplay(bind);
    session.SetInterrupt([] { return CInterruptFlag::IsRaised(); });
    CInterruptFlag interrupt;

    CFrameAudioCutter cutter(CRenderOutput::kChannels);
    std::vector<float> frameSound;
    const int fps = session.Fps();
    const float dt = 1.0f / static_cast<float>(fps);
    long written = 0;
    while (request.endFrame < 0 || session.NextFrame() < request.endFrame) {
        if (CInterruptFlag::IsRaised()) {
            ReportFailure("interrupted: nothing was written");
            return kInterruptedStatus;
        }
        if (session.Ended() || !session.HasDemo())
            break;
        const long index = session.NextFrame();
        const FrameResult frame = session.RunUndrawn(dt);
        const size_t samples = CVideoWriter::SamplesForFrame(index, CRenderOutput::kSampleRate, fps);
        CRenderOutput::CutFrameSound(audio, cutter, samples, mixed, frameSound);
        if (index >= request.firstFrame) {
            if (writing && !file.Write(frameSound)) {
                ReportFailure("cannot write '" + request.file + "': " + sf_strerror(nullptr));
                return 1;
            }
            ++written;
        }
        if (frame.ended)
            break;
        CDemoSystem& demo = session.Demo();
        if (request.stopAtScriptEnd && (!demo.m_pScript || demo.m_pScript->GetDepth() < 0))
            break;
    }
    if (audio)
        audio->SetKeepSamples(false);
    std::string error;
    if (writing && !file.Commit(error)) {
        ReportFailure(error);
        return 1;
    }
    if (request.printFrames) {
        std::printf("%ld\n", written);
        std::fflush(stdout);
    }
    return 0;
}
