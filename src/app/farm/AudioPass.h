// RunAudioPass: runs a production at the fixed step without drawing, to write its
// music exactly as a render of the same frames carries it (--render-audio) and to
// count the frames such a render has (--count-frames). It neither draws nor
// encodes video; joining the music with pictures is CSegmentJoiner's.
#pragma once
#include <functional>
#include <string>

class CDemoSystem;
class CProductionSession;
class CPulledAudioOutput;
struct PlayerOptions;

struct AudioPassRequest {
    std::string file;       // .wav (32-bit float, exact) or .flac (24-bit); empty: count only
    long firstFrame = 0;    // frames before this one are run but not written
    long endFrame = -1;     // stop before this frame; < 0: at the production's end
    bool stopAtScriptEnd = true;
    bool printFrames = false; // print the frame count (from firstFrame) on stdout
};

// The music of a demo system (null: silence).
using PulledOutputOf = std::function<CPulledAudioOutput*(CDemoSystem&)>;

// Returns the process status: 0, 1 on a failure (said on stderr), 130 when interrupted.
int RunAudioPass(CProductionSession& session, const PulledOutputOf& pulled, const AudioPassRequest& request);

// Whether the name is one the audio pass writes (.wav, .flac).
bool IsAudioFileName(const std::string& path);
