// Frames and their music, from the renderer and the mixer to the video writer.
#include "app/platform/RenderOutput.h"

#include "audio/PulledAudioOutput.h"
#include "render/gl/GLRenderer.h"

#include <cstdio>

CRenderOutput::CRenderOutput(CGLRenderer& renderer, CPulledAudioOutput* audio, int fps, long totalFrames)
    : m_pRenderer(&renderer), m_pAudio(audio), m_nFps(fps), m_Progress(fps, totalFrames)
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
    const GLuint backBuffer = m_pRenderer->GetBackBuffer();
    const int width = m_pRenderer->Width();
    const int height = m_pRenderer->Height();
    m_Pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glNamedFramebufferReadBuffer(backBuffer, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Row 0 of the back buffer is the top of the picture, which is what the writer takes.
    glReadnPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(m_Pixels.size()),
                  m_Pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);

    const size_t samples = CVideoWriter::SamplesForFrame(index, kSampleRate, m_nFps);
    CutFrameSound(m_pAudio, m_Cutter, samples, m_Mixed, m_FrameSound);

    if (!m_Writer.PushFrame(m_Pixels.data(), static_cast<std::ptrdiff_t>(width) * 4, m_FrameSound.data(), samples)) {
        m_Error = m_Writer.Error();
        m_bFailed = true;
        return false;
    }
    ++m_nFrames;
    m_nSamples += static_cast<int64_t>(samples);
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

void CRenderOutput::Rebind(CGLRenderer& renderer, CPulledAudioOutput* audio)
{
    m_pRenderer = &renderer;
    m_pAudio = audio;
    // As at Open: what the new mixer made before this point belongs to no frame.
    if (m_pAudio && m_Writer.IsOpen() && !m_bClosed) {
        m_pAudio->SetKeepSamples(true);
        m_Mixed.clear();
        m_pAudio->TakeSamples(m_Mixed);
    }
}

bool CRenderOutput::Close()
{
    if (m_bClosed)
        return !m_bFailed;
    m_bClosed = true;
    if (m_pAudio)
        m_pAudio->SetKeepSamples(false);
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
