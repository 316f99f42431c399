// CRenderer: the platform-neutral renderer core. Factory for every device
// resource, owner of the scene root, the post-process list and the global fade,
// and the composition of a frame (scene target -> effects -> fade -> back buffer).
// It issues no graphics API call itself; back ends supply the pure operations.
#pragma once
#include <string>
#include <vector>

class CFontResource;
class CMaterialResource;
class CModelResource;
class CNodeResource;
class CPostProcessResource;
class CTargetHistory;
class CTextRendererProperty;
class CTextureResource;
class CTransform;

// How much of a frame the back end does: all of it; all but showing it (a frame
// that fast-forward draws for a later one); or no pixel work at all, only the
// bindings and the target history, as a skipped frame needs.
enum class DrawMode { Full, Offscreen, Skip };

class CRenderer {
public:
    CRenderer() = default;
    virtual ~CRenderer();
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    virtual bool Init();
    virtual bool Shutdown() { return true; }
    virtual void Clear(float r, float g, float b) = 0;
    virtual void Present() = 0;
    virtual void Update(float dt);
    virtual void RenderScene();
    virtual CTextureResource* CreateTexture(std::string name, std::string path) = 0;
    virtual CMaterialResource* CreateMaterial(std::string name, std::string path) = 0;
    virtual CFontResource* CreateFont(std::string name, std::string path) = 0;
    virtual CNodeResource* CreateNode(std::string name);
    virtual CModelResource* CreateQuad(std::string name) = 0;
    virtual CModelResource* CreateModel(std::string name, std::string path) = 0;
    virtual CTransform* CreateTransform() = 0;
    virtual CPostProcessResource* CreatePostProcess(std::string name) = 0;
    virtual CTextRendererProperty* CreateTextRenderer(CFontResource* font, std::string name, std::string text) = 0;
    virtual void BeginScene();
    virtual void EndScene();
    // Makes the target of a stage of the chain the output, ready for the given
    // pass to draw into: BindAsTarget. A back end may skip the clear when the
    // pass overwrites every pixel anyway.
    virtual void BindStageTarget(CPostProcessResource& target, CPostProcessResource& pass);
    virtual void SetBackBufferTarget() = 0;
    virtual void PushTransform(CTransform* transform) = 0;
    virtual void PopTransform() = 0;

    CNodeResource* FindNode(std::string path);
    void AddPostProcess(std::string name);
    void RemovePostProcess(std::string name);
    void ClearPostProcesses() { m_PostProcesses.clear(); }
    void FadeUp(float duration) { StartFade(1.0f, duration); }
    void FadeDown(float duration) { StartFade(0.0f, duration); }

    CNodeResource* GetRoot() const { return m_pRoot; }
    CMaterialResource* GetFadeMaterial() const { return m_pFadeMaterial; }
    CPostProcessResource* GetFadeEffect() const { return m_pFadeEffect; }
    const std::vector<CPostProcessResource*>& GetPostProcesses() const { return m_PostProcesses; }
    float GetFadeValue() const { return m_fFadeValue; }
    // 1 while fading up or faded up, 0 while fading down or faded out.
    float GetFadeTarget() const { return m_fFadeTarget; }

    void SetDrawMode(DrawMode mode) { m_DrawMode = mode; }
    DrawMode GetDrawMode() const { return m_DrawMode; }
    bool Rasterizes() const { return m_DrawMode != DrawMode::Skip; }
    // Where the back end reports target writes and reads (null: nowhere).
    void SetTargetHistory(CTargetHistory* history) { m_pHistory = history; }
    CTargetHistory* GetTargetHistory() const { return m_pHistory; }

protected:
    // Hands a factory's object to the demo system, which owns every resource, and
    // registers it when its creation step succeeded; returns it either way.
    template <typename T>
    T* Registered(T* object, bool created)
    {
        AdoptAndRegister(object, created);
        return object;
    }
    static void AdoptAndRegister(class CResource* object, bool registerIt);
    // Says that a resource of this name and kind is registered already.
    static void ReportDuplicate(const class CResource& object);

private:
    void StartFade(float target, float duration);

    CNodeResource* m_pRoot = nullptr;
    CMaterialResource* m_pFadeMaterial = nullptr;
    CPostProcessResource* m_pFadeEffect = nullptr;
    float m_fFadeValue = 0.0f;
    float m_fFadeTimeLeft = 0.0f;
    float m_fFadeRate = 0.0f;
    float m_fFadeTarget = 0.0f;
    std::vector<CPostProcessResource*> m_PostProcesses;
    DrawMode m_DrawMode = DrawMode::Full;
    CTargetHistory* m_pHistory = nullptr;
};

// The fader material every renderer loads at start.
inline constexpr const char* kFaderMaterialPath = "Data\\Mats\\FaderMaterial.txt";

