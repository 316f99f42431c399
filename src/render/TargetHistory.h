// CTargetHistory: which frame last wrote each effect target, and which earlier
// frames each frame read a target from. Fast-forward skips drawing; a skipped
// frame leaves its targets stale, and a drawn frame that samples a stale target
// would differ from a run that drew everything. The history says when that
// happened and which frames must be drawn to avoid it. It knows nothing of GL:
// targets are the back end's texture names, frames the frame loop's indices.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

class CTargetHistory {
public:
    // Forgets the targets (a new renderer made them); the frames read from stay known.
    void ForgetTargets();
    // Forgets everything (the production itself changed).
    void Clear();

    void BeginFrame(long frame, bool drawn);
    // The target was bound for output: its old content is gone.
    void Wrote(uint32_t target);
    // A draw sampled the texture; only targets count.
    void Read(uint32_t target);
    void EndFrame();

    // The frame just ended was drawn but read a target a skipped frame had written.
    bool FrameWasStale() const { return m_bDrawn && m_bStale; }
    // The earlier frames this frame's picture depends on through targets read across
    // frames, followed back through the frames they read from in turn.
    std::set<long> FramesNeededBy(long frame) const;

private:
    struct Target {
        long written = -1;   // frame of the last write
        bool current = true; // that frame was drawn from current content
    };

    std::unordered_map<uint32_t, Target> m_Targets;
    std::map<long, std::vector<long>> m_ReadFrom; // frame -> frames whose writes it read
    std::vector<uint32_t> m_WrittenNow;
    long m_nFrame = -1;
    bool m_bDrawn = true;
    bool m_bStale = false;
};
