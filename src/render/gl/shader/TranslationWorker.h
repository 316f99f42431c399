// CTranslationWorker: runs HLSL translation in a separate, persistent process
// (ml-shader-worker), so that a crash or a hang of glslang, SPIRV-Tools or SPIRV-Cross on
// a malformed shader costs that shader, not the player. Each request has a time limit; a
// worker that crashed or ran out of time is killed and started again for the next request.
// Not thread-safe on its own: ShaderTranslator serialises the calls.
#pragma once
#include "render/gl/shader/TranslationCodec.h"

#include <chrono>
#include <string>
#include <sys/types.h>

class CTranslationWorker {
public:
    CTranslationWorker(std::string executable, std::chrono::milliseconds limit);
    ~CTranslationWorker();
    CTranslationWorker(const CTranslationWorker&) = delete;
    CTranslationWorker& operator=(const CTranslationWorker&) = delete;

    // Outcome Crashed, with a message in the log, when the worker could not be started,
    // died or overran the time limit.
    StageTranslation Translate(const TranslationRequest& request);

    // Starts made so far (the first and every restart); for tests.
    int Starts() const { return m_nStarts; }

private:
    bool Start(std::string& error);
    void Stop();
    std::string Reap(); // why the worker ended, after it did

    std::string m_Executable;
    std::chrono::milliseconds m_Limit;
    pid_t m_Pid = -1;
    int m_Socket = -1;
    int m_nStarts = 0;
};

// Where the worker is: $MARROWLIGHT_SHADER_WORKER if set, else libexec/marrowlight/
// ml-shader-worker beside the running program's folder or one level above it (the build
// tree and an installed prefix). Empty when there is none.
std::string FindShaderWorker();
