// CNullRenderer: a renderer with no device. It builds the scene, keeps the
// matrices with their exact timing and creates resources that draw nothing, so
// scripts and scenes run in tests and checks without a GPU. A texture, material,
// model or font "loads" when its file exists.
#pragma once
#include "render/Renderer.h"
#include "render/RendererMatrices.h"

class CNullRenderer : public CRenderer {
public:
    bool Init() override;
    void Clear(float r, float g, float b) override;
    void Present() override {}
    void EndScene() override;
    CTextureResource* CreateTexture(std::string name, std::string path) override;
    CTextureResource* CreateDataTexture(std::string name, int width, int height) override;
    CMaterialResource* CreateMaterial(std::string name, std::string path) override;
    CFontResource* CreateFont(std::string name, std::string path) override;
    CModelResource* CreateQuad(std::string name) override;
    CModelResource* CreateModel(std::string name, std::string path) override;
    CTransform* CreateTransform() override;
    CPostProcessResource* CreatePostProcess(std::string name) override;
    CTextRendererProperty* CreateTextRenderer(CFontResource* font, std::string name, std::string text) override;
    void SetBackBufferTarget() override {}
    void PushTransform(CTransform* transform) override { m_Matrices.Push(transform); }
    void PopTransform() override { m_Matrices.Pop(); }

    const CRendererMatrices& GetMatrices() const { return m_Matrices; }

private:
    CRendererMatrices m_Matrices;
};
