// Frames and their music, from the renderer and the mixer to the video writer.
#include "app/platform/RenderOutput.h"

#include "audio/PulledAudioOutput.h"
#include "render/gl/GLRenderer.h"

#include <cstdio>
#include <utility>

CRenderOutput::CRenderOutput(CGLRenderer& renderer, CPulledAudioOutput* audio, int fps, long totalFrames)
    : CRenderOutput(renderer, audio, fps, totalFrames, CGLFrameReader::ModeForCurrentContext())
{
}

CRenderOutput::CRenderOutput(CGLRenderer& renderer, CPulledAudioOutput* audio, int fps, long totalFrames,
                             CGLFrameReader::Mode readMode)
    : m_pRenderer(&renderer), m_pAudio(audio), m_nFps(fps), m_Progress(fps, totalFrames), m_ReadMode(readMode)
{
}

CRenderOutput::~CRenderOutput()
{
    Close();
}

void CRenderOutput::SetSegment(long firstFrame, int threads, bool progressLines)
{
    m_bSegment = firstFrame >= 0;
    m_Writer.SetRange(firstFrame < 0 ? 0 : firstFrame, threads);
    m_bProgressLines = progressLines;
    if (progressLines)
        m_Progress.SetEnabled(false);
}

bool CRenderOutput::Open(const std::string& path)
{
    if (!m_Writer.Open(path, m_pRenderer->Width(), m_pRenderer->Height(), m_nFps, kSampleRate,
                       m_bSegment ? 0 : kChannels)) {
        m_Error = m_Writer.Error();
        m_bFailed = true;
        return false;
    }
    m_pReader = std::make_unique<CGLFrameReader>(*m_pRenderer, m_ReadMode);
    // From here on the mixer keeps what it makes until this output takes it.
    if (m_pAudio) {
        m_pAudio->SetKeepSamples(true);
        m_Mixed.clear();
        m_pAudio->TakeSamples(m_Mixed);
    }
    return true;
}

bool CRenderOutput::AddFrame(long index)
{
    if (m_bFailed || m_bClosed)
        return false;
    const size_t samples = CVideoWriter::SamplesForFrame(index, kSampleRate, m_nFps);
    m_Sounds.push_back({{}, samples});
    CutFrameSound(m_pAudio, m_Cutter, samples, m_Mixed, m_Sounds.back().samples);

    m_pReader->Start();
    while (m_pReader->Pending() >= m_pReader->Depth())
        if (!WriteOldest())
            return false;
    return true;
}

bool CRenderOutput::Drain()
{
    while (m_pReader && m_pReader->Pending() > 0 && !m_bFailed)
        if (!WriteOldest())
            return false;
    return !m_bFailed;
}

void CRenderOutput::Rebind(CGLRenderer& renderer, CPulledAudioOutput* audio)
{
    m_pRenderer = &renderer;
    m_pAudio = audio;
    if (!m_Writer.IsOpen() || m_bClosed)
        return;
    m_pReader = std::make_unique<CGLFrameReader>(*m_pRenderer, m_ReadMode);
    // As at Open: what the new mixer made before this point belongs to no frame.
    if (m_pAudio) {
        m_pAudio->SetKeepSamples(true);
        m_Mixed.clear();
        m_pAudio->TakeSamples(m_Mixed);
    }
}

bool CRenderOutput::WriteOldest()
{
    uint8_t* pixels = m_Writer.BeginFrame();
    m_pReader->TakeOldest(pixels);
    const FrameSound sound = std::move(m_Sounds.front());
    m_Sounds.pop_front();
    if (!pixels || !m_Writer.EndFrame(sound.samples.data(), sound.frames)) {
        m_Error = m_Writer.Error();
        m_bFailed = true;
        return false;
    }
    ++m_nFrames;
    m_nSamples += static_cast<int64_t>(sound.frames);
    m_Progress.Update(m_nFrames);
    if (m_bProgressLines) {
        std::printf("frames %ld\n", m_nFrames);
        std::fflush(stdout);
    }
    return true;
}

void CRenderOutput::CutFrameSound(CPulledAudioOutput* audio, CFrameAudioCutter& cutter, size_t samples,
                                  std::vector<float>& mixed, std::vector<float>& out)
{
    // What the mixer made for the frame (every frame, also one whose clocks an unknown
    // keyword held), or silence of the frame's length without a mixer.
    mixed.clear();
    if (audio) {
        audio->TakeSamples(mixed);
        cutter.Add(mixed.data(), mixed.size() / kChannels);
    } else {
        cutter.AddSilence(samples);
    }
    cutter.Cut(samples, out);
}

bool CRenderOutput::Close()
{
    if (m_bClosed)
        return !m_bFailed;
    m_bClosed = true;
    if (m_pAudio)
        m_pAudio->SetKeepSamples(false);
    // The frames still on their way out of the GPU.
    while (m_pReader && m_pReader->Pending() > 0 && !m_bFailed && m_Writer.IsOpen())
        WriteOldest();
    m_pReader.reset();
    if (!m_Writer.IsOpen())
        return !m_bFailed;
    const bool closed = m_Writer.Close();
    m_Progress.Finish(m_nFrames);
    if (!closed && !m_bFailed) {
        m_Error = m_Writer.Error();
        m_bFailed = true;
    }
    return !m_bFailed;
}

double CRenderOutput::AudioSeconds() const
{
    return static_cast<double>(m_nSamples) / kSampleRate;
}
