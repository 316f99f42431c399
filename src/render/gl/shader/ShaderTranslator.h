// CShaderTranslator: the one way the player translates HLSL. The same file contents, entry
// point and stage are translated once per process (materials that share a shader share
// the result), looked up in the on-disk cache next, and only then sent to the isolated
// worker. Thread-safe; one instance per process.
#pragma once
#include "render/gl/shader/StageTranslation.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CShaderCache;
class CTranslationWorker;

class CShaderTranslator {
public:
    static CShaderTranslator& Get();

    // path names the file in messages; source is its text.
    std::shared_ptr<const StageTranslation> Translate(const std::string& path, const std::string& source,
                                                      const std::string& entry, ShaderStage stage);

    struct Counts {
        int translated = 0;  // answered by the worker
        int fromDisk = 0;    // answered by the on-disk cache
        int fromMemory = 0;  // answered by an earlier translation in this process
    };
    Counts GetCounts() const;

    // For tests and benchmarks: forget this process's translations, choose the cache
    // directory ("" for none), the worker and its time limit.
    void Reset(const std::string& cacheDirectory, const std::string& worker, std::chrono::milliseconds limit);
    void ForgetTranslations();
    static constexpr std::chrono::milliseconds kDefaultLimit{8000};

    CShaderTranslator();
    ~CShaderTranslator();

private:
    mutable std::mutex m_Mutex;
    std::unique_ptr<CShaderCache> m_pCache;
    std::unique_ptr<CTranslationWorker> m_pWorker;
    std::unordered_map<std::string, std::shared_ptr<const StageTranslation>> m_Translations;
    Counts m_Counts;
};
