// CVideoWriter: the output of --render. Takes rendered frames with the music of
// exactly those frames and writes them, on a thread of its own, as a movie
// (".mp4", ".mkv": H.264 + AAC) or a PNG sequence ("shot_%05d.png", numbered
// from 0). Both streams take their timestamps from the frame count, so picture
// and sound cannot drift. It neither renders, mixes nor paces: the caller pushes
// frames as fast as it makes them and is held back only when the queue is full.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/FrameEncoder.h"

class CVideoWriter {
public:
    static constexpr int kDefaultQuality = 18; // x264 CRF: visually lossless for most scenes
    static constexpr size_t kQueueFrames = 3;  // frames in flight between renderer and encoder

    CVideoWriter();
    ~CVideoWriter(); // closes
    CVideoWriter(const CVideoWriter&) = delete;
    CVideoWriter& operator=(const CVideoWriter&) = delete;

    // Creates the output and starts the encoder thread. audioChannels 0 writes no sound.
    // False with Error() set when the name, the sizes or the file are not usable.
    bool Open(const std::string& path, int width, int height, int fps, int audioSampleRate = 44100,
              int audioChannels = 2, int quality = kDefaultQuality);

    // Before Open: the first frame's production index (a range's frames keep their numbers)
    // and the encoder's threads (0: all cores).
    void SetRange(long firstFrame, int threads)
    {
        m_nFirstFrame = firstFrame;
        m_nThreads = threads;
    }

    // Queues one frame, copying it, and returns; blocks while the queue is full.
    // rgba: width*height RGBA8 pixels; row y starts at rgba + y*strideBytes, top row
    // first (a negative stride reads a bottom-up buffer such as glReadPixels gives).
    // samples: sampleFrames interleaved frames of audioChannels floats for this frame
    // only (see SamplesForFrame); null means silence. False once the writer is not
    // open or the encoder thread has failed; Error() then says why.
    bool PushFrame(const uint8_t* rgba, std::ptrdiff_t strideBytes, const float* samples, size_t sampleFrames);

    // The same in two steps, without the copy: BeginFrame hands out the queue's own
    // buffer for the next frame (width*height*4 bytes, RGBA8, tightly packed, top row
    // first), blocking while the queue is full; the caller fills it, then EndFrame
    // queues it with its samples. Null / false as PushFrame fails.
    uint8_t* BeginFrame();
    bool EndFrame(const float* samples, size_t sampleFrames);

    // Encodes what is queued, flushes, writes the trailer and closes the file. After an
    // interruption this still leaves a complete, playable file. Safe to call again:
    // later calls return the first call's result.
    bool Close();

    const std::string& Error() const { return m_Error; }
    bool IsOpen() const { return m_bOpen; }
    long FramesPushed() const { return m_nFrames; }

    // Samples of frame frameIndex at this rate and frame rate: cut from one clock, so the
    // sum over frames 0..n-1 is always floor(n * sampleRate / fps) and never drifts.
    static size_t SamplesForFrame(long frameIndex, int sampleRate, int fps);

private:
    struct Frame {
        long index = 0;
        std::vector<uint8_t> rgba;
        std::vector<float> samples;
        size_t sampleFrames = 0;
    };

    void Run();

    std::unique_ptr<CFrameEncoder> m_pEncoder;
    std::unique_ptr<Frame> m_pBegun; // handed out by BeginFrame, not yet queued
    VideoFormat m_Format;
    std::string m_Error;
    bool m_bOpen = false;
    bool m_bCloseResult = true;
    long m_nFrames = 0;
    long m_nFirstFrame = 0;
    int m_nThreads = 0;

    // Shared with the encoder thread.
    std::mutex m_Mutex;
    std::condition_variable m_Queued;
    std::condition_variable m_Taken;
    std::deque<std::unique_ptr<Frame>> m_Queue;
    std::vector<std::unique_ptr<Frame>> m_Spare;
    bool m_bStopping = false;
    bool m_bFailed = false;
    std::string m_ThreadError;
    std::thread m_Thread;
};
