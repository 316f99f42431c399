#include "render/gl/shader/ShaderTranslator.h"

#include "render/gl/shader/ShaderCache.h"
#include "render/gl/shader/TranslationWorker.h"

namespace {

// The log names the file that was asked for; a shared result may have been made for
// another path holding the same text.
std::shared_ptr<const StageTranslation> ForPath(std::shared_ptr<const StageTranslation> t, const std::string& from,
                                                const std::string& to)
{
    if (from == to || t->log.empty())
        return t;
    auto copy = std::make_shared<StageTranslation>(*t);
    std::string log;
    size_t at = 0;
    while (at < copy->log.size()) {
        size_t end = copy->log.find('\n', at);
        end = end == std::string::npos ? copy->log.size() : end + 1;
        const std::string line = copy->log.substr(at, end - at);
        log += line.rfind(from + ":", 0) == 0 ? to + line.substr(from.size()) : line;
        at = end;
    }
    copy->log = std::move(log);
    return copy;
}

} // namespace

CShaderTranslator& CShaderTranslator::Get()
{
    static CShaderTranslator translator;
    return translator;
}

CShaderTranslator::CShaderTranslator()
    : m_pCache(std::make_unique<CShaderCache>(CShaderCache::DefaultDirectory())),
      m_pWorker(std::make_unique<CTranslationWorker>(FindShaderWorker(), kDefaultLimit))
{
}

CShaderTranslator::~CShaderTranslator() = default;

std::shared_ptr<const StageTranslation> CShaderTranslator::Translate(const std::string& path,
                                                                     const std::string& source,
                                                                     const std::string& entry, ShaderStage stage)
{
    TranslationRequest request{stage, path, entry, source};
    std::string key = entry;
    key += '\0';
    key += stage == ShaderStage::Vertex ? 'v' : 'p';
    key += source;

    std::lock_guard<std::mutex> lock(m_Mutex);
    if (auto found = m_Translations.find(key); found != m_Translations.end()) {
        ++m_Counts.fromMemory;
        return found->second;
    }
    // The cache is keyed without the path; its messages carry a placeholder name.
    const std::string placeholder = "<shader>";
    TranslationRequest keyed = request;
    keyed.path = placeholder;
    auto translation = std::make_shared<StageTranslation>();
    if (m_pCache->Load(keyed, *translation)) {
        ++m_Counts.fromDisk;
    } else {
        *translation = m_pWorker->Translate(keyed);
        ++m_Counts.translated;
        m_pCache->Store(keyed, *translation);
    }
    auto result = ForPath(std::move(translation), placeholder, path);
    m_Translations.emplace(std::move(key), result);
    return result;
}

CShaderTranslator::Counts CShaderTranslator::GetCounts() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Counts;
}

void CShaderTranslator::Reset(const std::string& cacheDirectory, const std::string& worker,
                              std::chrono::milliseconds limit)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_pCache = std::make_unique<CShaderCache>(cacheDirectory);
    m_pWorker = std::make_unique<CTranslationWorker>(worker, limit);
    m_Translations.clear();
    m_Counts = {};
}

void CShaderTranslator::ForgetTranslations()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Translations.clear();
}
