// CShaderCache: translations kept on disk between runs, one file per source text, entry
// point, stage and translator version. A file holds its whole key, so a name clash or a
// damaged file is a miss, never a wrong shader. Writes go through a temporary file and a
// rename, so a reader never sees half a file. Failures to write are ignored: the cache
// only ever saves time.
#pragma once
#include "render/gl/shader/TranslationCodec.h"

#include <string>

class CShaderCache {
public:
    // An empty directory turns the cache off.
    explicit CShaderCache(std::string directory) : m_Directory(std::move(directory)) {}

    bool Enabled() const { return !m_Directory.empty(); }
    const std::string& Directory() const { return m_Directory; }
    bool Load(const TranslationRequest& key, StageTranslation& translation) const;
    void Store(const TranslationRequest& key, const StageTranslation& translation) const;

    // $MARROWLIGHT_SHADER_CACHE if set ("off" or empty: no cache), else
    // $XDG_CACHE_HOME/marrowlight/shaders or ~/.cache/marrowlight/shaders.
    static std::string DefaultDirectory();

private:
    std::string FileFor(const TranslationRequest& key) const;
    std::string m_Directory;
};
