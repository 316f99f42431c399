// CRenderOutput: the --render side of the player. After each drawn frame it
// reads the back buffer straight into the video writer's queue (on a GPU some
// frames later, through a ring of pixel buffers), cuts that frame's music from
// the pulled mixer (or silence, when there is no mixer) and hands both to the
// writer, whose thread encodes them; it keeps the progress line. It neither
// draws nor paces, and it does not decide when the render ends.
#pragma once
#include "app/FrameAudioCutter.h"
#include "app/platform/ProgressReporter.h"
#include "app/platform/VideoWriter.h"
#include "render/gl/GLFrameReader.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CGLRenderer;
class CPulledAudioOutput;

class CRenderOutput {
public:
    // audio: the pulled output whose samples are the music (null: silence).
    // totalFrames: the frames the render will have when known, for the progress line; < 0 unknown.
    // readMode: how frames leave the GPU; by default as suits the driver.
    CRenderOutput(CGLRenderer& renderer, CPulledAudioOutput* audio, int fps, long totalFrames);
    CRenderOutput(CGLRenderer& renderer, CPulledAudioOutput* audio, int fps, long totalFrames,
                  CGLFrameReader::Mode readMode);
    ~CRenderOutput();
    CRenderOutput(const CRenderOutput&) = delete;
    CRenderOutput& operator=(const CRenderOutput&) = delete;

    // Before Open: a range of the production from firstFrame (numbered as in the production,
    // written without sound), the encoder's threads (0: all cores), and progress as
    // "frames N" lines on stdout for a parent process instead of the terminal line.
    void SetSegment(long firstFrame, int threads, bool progressLines);

    // Creates the file (or checks the sequence's folder); false with Error() set.
    bool Open(const std::string& path);
    // The frame just drawn and its sound; false once the writer has failed.
    bool AddFrame(long index);
    // Writes what is queued and closes the file properly (also after an interrupt).
    bool Close();
    // The production is about to be made again (a replay): every frame still being
    // read is written while its renderer is there. False when writing failed.
    bool Drain();
    // It was made again: frames and music come from these now.
    void Rebind(CGLRenderer& renderer, CPulledAudioOutput* audio);

    const std::string& Error() const { return m_Error; }
    long Frames() const { return m_nFrames; }
    bool Failed() const { return m_bFailed; }
    // Seconds of sound handed to the writer: the frames' own lengths, summed.
    double AudioSeconds() const;

    // The sound of one frame of `samples` sample frames, as a render carries it: what the
    // mixer made since the last call, cut to length by the cutter; mixed is scratch.
    static void CutFrameSound(CPulledAudioOutput* audio, CFrameAudioCutter& cutter, size_t samples,
                              std::vector<float>& mixed, std::vector<float>& out);

    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;

private:
    // Hands the oldest frame being read, with its sound, to the writer.
    bool WriteOldest();

    CGLRenderer* m_pRenderer;
    CPulledAudioOutput* m_pAudio;
    int m_nFps;
    CVideoWriter m_Writer;
    CFrameAudioCutter m_Cutter{kChannels};
    CProgressReporter m_Progress;
    CGLFrameReader::Mode m_ReadMode;
    std::unique_ptr<CGLFrameReader> m_pReader;
    struct FrameSound {
        std::vector<float> samples; // interleaved
        size_t frames = 0;          // per channel
    };
    std::deque<FrameSound> m_Sounds; // of the frames being read, oldest first
    std::vector<float> m_Mixed;
    std::string m_Error;
    long m_nFrames = 0;
    int64_t m_nSamples = 0;
    bool m_bFailed = false;
    bool m_bClosed = false;
    bool m_bSegment = false;
    bool m_bProgressLines = false;
};
