// CDemoSystem: the root object of a running production. Owns the renderer, the
// audio manager, the script reader, the registry, the parameter table and every
// resource, and keeps the global, local and resume clocks. It has no per-frame
// operation: the frame loop drives it. Platform forms pick the concrete renderer
// and audio manager in their Init.
#pragma once
#include <memory>
#include <string>
#include <vector>

// The output height productions are made for (at 1920x1080): what the script
// gives in output pixels (text) scales by the height played at over this one,
// as the scene does under the camera's fixed vertical field of view.
inline constexpr int kAuthoredHeight = 1080;

class CAudioManager;
class CParameterTable;
class CRenderer;
class CResource;
class CResourceRegistry;
class CScriptReader;

class CDemoSystem {
public:
    explicit CDemoSystem(void* window = nullptr);
    virtual ~CDemoSystem();
    CDemoSystem(const CDemoSystem&) = delete;
    CDemoSystem& operator=(const CDemoSystem&) = delete;

    virtual bool Init(const std::string& scriptFile, int width, int height);
    virtual bool Shutdown();
    virtual void DebugPrint(const std::string& text);

    // Every resource made during the run is owned here, registered or not, and
    // destroyed once at shutdown after the renderer and audio manager.
    void Adopt(CResource* resource);

    std::unique_ptr<CResourceRegistry> m_Resources;
    std::unique_ptr<CParameterTable> m_Parameters;
    std::unique_ptr<CAudioManager> m_pAudio;
    std::unique_ptr<CRenderer> m_pRenderer;
    std::unique_ptr<CScriptReader> m_pScript;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nAuthoredHeight = kAuthoredHeight;
    void* m_hWindow = nullptr;
    float m_fGlobalTime = 0.0f;
    float m_fLocalTime = 0.0f;
    float m_fDelayUntil = 0.0f;
    bool m_bRunning = true;

private:
    std::vector<std::unique_ptr<CResource>> m_Owned;
};

// The one demo system of the process.
extern CDemoSystem* g_pDemoSystem;

// A demo system with no device: the null renderer and no audio output. Used by
// tests, and wherever a production is read without being drawn.
class CNullDemoSystem : public CDemoSystem {
public:
    bool Init(const std::string& scriptFile, int width, int height) override;
};
