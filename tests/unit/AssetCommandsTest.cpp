// Asset and effect commands against the null renderer: lookups by kind, the
// post-process list, scales from textures, colours, properties and bindings.
#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "app/FrameLoop.h"
#include "render/MaterialResource.h"
#include "render/PostProcessResource.h"
#include "render/Renderer.h"
#include "render/TextureResource.h"
#include "scene/ModelRendererProperty.h"
#include "scene/NodeResource.h"
#include "scene/ResourceRegistry.h"
#include "scene/Transform.h"
#include "scene/VariableResource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class AssetCommands : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    CNullDemoSystem* demo = nullptr;

    void Run(const std::string& script)
    {
        dir.Write("DemoScript.txt", script);
        dir.Write("mat.txt", "");
        dir.Write("img.png", "");
        dir.Write("model.x3d", "");
        demo = new CNullDemoSystem();
        ASSERT_TRUE(demo->Init("DemoScript.txt", 64, 36));
        for (int i = 0; i < 4; ++i)
            RunFrame(*demo, 1.0f / 64.0f);
    }
    void TearDown() override { delete demo; }

    template <typename T>
    T* Get(const std::string& name, ResourceKind kind)
    {
        return static_cast<T*>(demo->m_Resources->FindResource(name, kind));
    }
    std::vector<std::string> Chain()
    {
        std::vector<std::string> names;
        for (CPostProcessResource* e : demo->m_pRenderer->GetPostProcesses())
            names.push_back(e->GetName());
        return names;
    }
};

TEST_F(AssetCommands, PostProcessList)
{
    Run("creatematerial fx mat.txt\n"
        "createpostprocess Blur FX\n"
        "createpostprocess glow fx\n"
        "createpostprocess broken nosuchmaterial\n"
        "addpostprocess blur\naddpostprocess GLOW\naddpostprocess blur\naddpostprocess fx\naddpostprocess broken\n");
    EXPECT_EQ(Chain(), (std::vector<std::string>{"blur", "glow", "blur"}));
    auto* blur = Get<CPostProcessResource>("blur", RESOURCE_POSTPROCESS);
    auto* fx = Get<CMaterialResource>("fx", RESOURCE_MATERIAL);
    ASSERT_TRUE(blur && fx);
    EXPECT_EQ(blur->GetMaterial(), fx);
    EXPECT_EQ(blur->GetTarget()->GetName(), "postprocess_blur_texture");
    EXPECT_EQ(demo->m_Resources->FindResource("postprocess_blur_texture"), nullptr);

    demo->m_pRenderer->RemovePostProcess("BLUR");
    EXPECT_EQ(Chain(), (std::vector<std::string>{"glow"}));
    demo->m_pRenderer->ClearPostProcesses();
    EXPECT_TRUE(Chain().empty());
    demo->m_pRenderer->AddPostProcess("blur");
    EXPECT_EQ(Chain(), (std::vector<std::string>{"blur"}));
    // The fade pass exists with its own target name.
    EXPECT_EQ(demo->m_pRenderer->GetFadeEffect()->GetTarget()->GetName(), "postprocess_global_fade_texture");
}

TEST_F(AssetCommands, ScaleColourAndProperties)
{
    Run("createnode n root\n"
        "createtexture logo img.png\n"
        "createtexture missing nothere.png\n"
        "setscale \\n missing\n"
        "createvariable tint linear 3\n"
        "setvariablekeyframe tint 0 0.5 0.25 0.125\n"
        "creatematerial m mat.txt\n"
        "setcolour m ambient 1 2 3 4 5\n"   // four numbers: nothing
        "setcolour m ambient 0.1 0.2 0.3\n" // three numbers: alpha 1
        "createquad q\n"
        "addproperty ModelRenderer mr \\n q\n"
        "addproperty modelrenderer mr \\n q\n"   // duplicate: attached, not registered
        "addproperty CAMERA cam \\n\n"
        "addproperty camera nowhere \\nope\n"
        "addproperty modelrenderer bad \\n nomodel\n"
        "bindmaterial mr material m\n"
        "bindmaterial mr wrongslot m\n");
    CNodeResource* n = demo->m_pRenderer->FindNode("\\n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->GetTransform()->GetValue(TransformChannel::Scale).y, 1.0f); // failed texture not found
    EXPECT_EQ(n->GetProperties().size(), 3u);
    EXPECT_EQ(demo->m_Resources->FindResource("nowhere"), nullptr);
    EXPECT_EQ(demo->m_Resources->FindResource("bad"), nullptr);
    auto* mr = Get<CModelRendererProperty>("mr", RESOURCE_MODELRENDERER);
    auto* m = Get<CMaterialResource>("m", RESOURCE_MATERIAL);
    ASSERT_TRUE(mr && m);
    EXPECT_EQ(mr->GetMaterial("material"), m);
    EXPECT_EQ(mr->GetMaterial("wrongslot"), nullptr);
    EXPECT_EQ(m->GetAmbientColour(), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 1.0f}));

    // A colour variable with three components leaves alpha at 1; the renderer updates it.
    m->SetColourSource(Get<CVariableResource>("tint", RESOURCE_VARIABLE));
    demo->m_pRenderer->Update(0.0f);
    EXPECT_EQ(m->GetAmbientColour(), (std::array<float, 4>{0.5f, 0.25f, 0.125f, 1.0f}));
}

TEST_F(AssetCommands, PlayAudioTrackNeedsTheFirstResourceToBeAudio)
{
    std::vector<std::string> lines;
    diag::SetEnabled(true);
    diag::SetSink([&](const std::string& l) { lines.push_back(l); });
    Run("createtexture song img.png\nplayaudiotrack song\nsetscale \\nonode 1 2\n");
    diag::SetSink(nullptr);
    diag::SetEnabled(false);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DemoScript.txt:2: no audio track named 'song'");
    EXPECT_EQ(lines[1], "DemoScript.txt:3: 'setscale' takes 2 or 4 arguments, not 3");
}

} // namespace
