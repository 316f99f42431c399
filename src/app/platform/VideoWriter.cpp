// The --render output: picks the back end, queues frames to its thread.
#include "app/platform/VideoWriter.h"

#include <cstring>

#include "app/platform/MovieEncoder.h"
#include "app/platform/PngSequenceEncoder.h"

CVideoWriter::CVideoWriter() = default;

CVideoWriter::~CVideoWriter() { Close(); }

size_t CVideoWriter::SamplesForFrame(long frameIndex, int sampleRate, int fps)
{
    if (frameIndex < 0 || sampleRate <= 0 || fps <= 0)
        return 0;
    const int64_t i = frameIndex;
    return static_cast<size_t>((i + 1) * sampleRate / fps - i * sampleRate / fps);
}

bool CVideoWriter::Open(const std::string& path, int width, int height, int fps, int audioSampleRate,
                        int audioChannels, int quality)
{
    if (m_bOpen) {
        m_Error = "the writer is already open";
        return false;
    }
    m_Error.clear();
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        m_Error = "cannot write a " + std::to_string(width) + "x" + std::to_string(height) + " picture";
        return false;
    }
    if (fps <= 0 || fps > 1000) {
        m_Error = "cannot write at " + std::to_string(fps) + " frames per second";
        return false;
    }
    if (audioChannels < 0 || audioChannels > 8 || (audioChannels > 0 && (audioSampleRate < 8000 || audioSampleRate > 192000))) {
        m_Error = "cannot write sound of " + std::to_string(audioChannels) + " channels at " +
                  std::to_string(audioSampleRate) + " Hz";
        return false;
    }
    if (quality < 0 || quality > 51) {
        m_Error = "the quality is a CRF from 0 to 51, not " + std::to_string(quality);
        return false;
    }
    std::unique_ptr<CFrameEncoder> encoder;
    if (CMovieEncoder::ContainerFor(path))
        encoder = std::make_unique<CMovieEncoder>();
    else if (CPngSequenceEncoder::ParsePattern(path))
        encoder = std::make_unique<CPngSequenceEncoder>();
    else {
        m_Error = path + ": cannot tell what to write; name an .mp4 or .mkv file, or a PNG sequence such as shot_%05d.png";
        return false;
    }
    m_Format = VideoFormat{width, height, fps, audioSampleRate, audioChannels, quality, m_nFirstFrame, m_nThreads};
    if (!encoder->Open(path, m_Format)) {
        m_Error = encoder->Error();
        return false;
    }
    m_pEncoder = std::move(encoder);
    m_nFrames = 0;
    m_Queue.clear();
    m_bStopping = false;
    m_bFailed = false;
    m_ThreadError.clear();
    m_bOpen = true;
    m_bCloseResult = true;
    m_Thread = std::thread(&CVideoWriter::Run, this);
    return true;
}

uint8_t* CVideoWriter::BeginFrame()
{
    if (!m_bOpen) {
        if (m_Error.empty())
            m_Error = "the writer is not open";
        return nullptr;
    }
    if (!m_pBegun) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Taken.wait(lock, [&] { return m_Queue.size() < kQueueFrames || m_bFailed; });
        if (m_bFailed) {
            m_Error = m_ThreadError;
            return nullptr;
        }
        if (!m_Spare.empty()) {
            m_pBegun = std::move(m_Spare.back());
            m_Spare.pop_back();
        }
    }
    if (!m_pBegun)
        m_pBegun = std::make_unique<Frame>();
    m_pBegun->rgba.resize(static_cast<size_t>(m_Format.width) * 4 * static_cast<size_t>(m_Format.height));
    return m_pBegun->rgba.data();
}

bool CVideoWriter::EndFrame(const float* samples, size_t sampleFrames)
{
    if (!m_bOpen || !m_pBegun) {
        if (m_Error.empty())
            m_Error = m_bOpen ? "no frame was begun" : "the writer is not open";
        return false;
    }
    std::unique_ptr<Frame> frame = std::move(m_pBegun);
    frame->index = m_Format.firstFrame + m_nFrames;
    frame->sampleFrames = m_Format.channels > 0 ? sampleFrames : 0;
    if (samples && frame->sampleFrames > 0)
        frame->samples.assign(samples, samples + frame->sampleFrames * static_cast<size_t>(m_Format.channels));
    else
        frame->samples.assign(frame->sampleFrames * static_cast<size_t>(m_Format.channels), 0.0f);
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Queue.push_back(std::move(frame));
    }
    m_Queued.notify_one();
    ++m_nFrames;
    return true;
}

bool CVideoWriter::PushFrame(const uint8_t* rgba, std::ptrdiff_t strideBytes, const float* samples, size_t sampleFrames)
{
    const size_t row = static_cast<size_t>(m_Format.width) * 4;
    if (m_bOpen && (!rgba || static_cast<size_t>(strideBytes < 0 ? -strideBytes : strideBytes) < row)) {
        m_Error = "frame " + std::to_string(m_nFrames) + " has no pixels or rows shorter than the picture";
        return false;
    }
    uint8_t* pixels = BeginFrame();
    if (!pixels)
        return false;
    // Copied on the caller's side so it can reuse its buffer at once.
    for (int y = 0; y < m_Format.height; ++y)
        std::memcpy(pixels + row * static_cast<size_t>(y), rgba + strideBytes * y, row);
    return EndFrame(samples, sampleFrames);
}

void CVideoWriter::Run()
{
    while (true) {
        std::unique_ptr<Frame> frame;
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Queued.wait(lock, [&] { return !m_Queue.empty() || m_bStopping; });
            if (m_Queue.empty())
                break; // stopping, and everything queued is written
            frame = std::move(m_Queue.front());
            m_Queue.pop_front();
        }
        const bool ok = m_bFailed ||
                        m_pEncoder->Encode(frame->index, frame->rgba.data(), frame->samples.data(), frame->sampleFrames);
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            if (!ok && !m_bFailed) {
                m_bFailed = true;
                m_ThreadError = m_pEncoder->Error();
            }
            m_Spare.push_back(std::move(frame));
        }
        m_Taken.notify_all();
    }
    // Finish after a failure too, so the file is released and what was written stays readable.
    const bool finished = m_pEncoder->Finish();
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!finished && !m_bFailed) {
        m_bFailed = true;
        m_ThreadError = m_pEncoder->Error();
    }
}

bool CVideoWriter::Close()
{
    if (!m_bOpen)
        return m_bCloseResult;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStopping = true;
    }
    m_Queued.notify_one();
    m_Thread.join();
    m_bOpen = false;
    m_bCloseResult = !m_bFailed;
    if (m_bFailed)
        m_Error = m_ThreadError;
    m_pEncoder.reset();
    m_Spare.clear();
    m_pBegun.reset();
    return m_bCloseResult;
}
