// Demo system life cycle and the frame loop's timeline, driven through real scripts.
#include "app/DemoSystem.h"
#include "app/FrameLoop.h"
#include "audio/AudioManager.h"
#include "render/NullRenderer.h"
#include "scene/NodeResource.h"
#include "scene/ParameterTable.h"
#include "scene/ResourceRegistry.h"
#include "scene/Transform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class FailingAudio : public CNullAudioManager {
public:
    bool Init() override { return false; }
};

class CountingRenderer : public CNullRenderer {
public:
    bool Init() override
    {
        ++inits;
        return CNullRenderer::Init();
    }
    int inits = 0;
};

class TestDemo : public CDemoSystem {
public:
    explicit TestDemo(bool audioFails = false)
    {
        if (audioFails)
            m_pAudio = std::make_unique<FailingAudio>();
        else
            m_pAudio = std::make_unique<CNullAudioManager>();
        auto r = std::make_unique<CountingRenderer>();
        renderer = r.get();
        m_pRenderer = std::move(r);
    }
    CountingRenderer* renderer;
};

TEST(DemoSystem, LifeCycle)
{
    TempDir dir;
    ScopedChdir cd(dir.Path());

    auto* first = new CNullDemoSystem();
    EXPECT_EQ(g_pDemoSystem, first);
    auto* second = new CNullDemoSystem(); // destroys the first
    EXPECT_EQ(g_pDemoSystem, second);
    ASSERT_TRUE(second->Init("DemoScript.txt", 64, 36));
    uint32_t size = 0;
    EXPECT_EQ(second->m_Parameters->FindParameter("global_time", &size), &second->m_fGlobalTime);
    EXPECT_EQ(size, 4u);
    EXPECT_NE(second->m_Resources->FindResource("root", RESOURCE_NODE), nullptr);
    EXPECT_TRUE(second->Shutdown());
    EXPECT_TRUE(second->Shutdown());
    delete second;
    EXPECT_EQ(g_pDemoSystem, nullptr);

    auto* failing = new TestDemo(true);
    EXPECT_FALSE(failing->Init("DemoScript.txt", 64, 36));
    EXPECT_EQ(failing->renderer->inits, 0);
    delete failing;
}

class Timeline : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    CNullDemoSystem* demo = nullptr;
    // A power-of-two step keeps the float clocks exact, so frame counts are too.
    static constexpr float dt = 1.0f / 64.0f;

    void Start(const std::string& script)
    {
        dir.Write("DemoScript.txt", script);
        demo = new CNullDemoSystem();
        ASSERT_TRUE(demo->Init("DemoScript.txt", 64, 36));
    }
    void TearDown() override { delete demo; }

    // Runs frames until the node appears at the path; returns the frame index or -1.
    int FramesUntilNode(const std::string& path, int limit)
    {
        for (int i = 0; i < limit; ++i) {
            RunFrame(*demo, dt);
            if (demo->m_pRenderer->FindNode(path))
                return i;
        }
        return -1;
    }
};

TEST_F(Timeline, DelayModes)
{
    Start("delayuntil delay 0.5\n"
          "createnode a root\n"
          "resetlocaltime\n"
          "delayuntil local 0.25\n"
          "createnode b root\n"
          "delayuntil music 0.1\n"   // no track: 0.1 s from now
          "createnode c root\n"
          "delayuntil absolute 2\n"  // any other word: a global time
          "createnode d root\n"
          "delayuntil local 0\n"     // already passed: next frame
          "createnode e root\n");
    // Frame i starts at global time i/64; the script is read when that reaches the resume time.
    EXPECT_EQ(FramesUntilNode("\\a", 200), 32);
    EXPECT_EQ(FramesUntilNode("\\b", 200), 16 - 1);
    EXPECT_EQ(FramesUntilNode("\\c", 200), 7 - 1);
    const int d = FramesUntilNode("\\d", 400);
    EXPECT_NEAR(demo->m_fGlobalTime - dt, 2.0f, dt);
    EXPECT_GT(d, 0);
    EXPECT_EQ(FramesUntilNode("\\e", 10), 0);
}

TEST_F(Timeline, UnknownKeywordsSkipAnUpdateEachAndExitEndsAfterTheFrame)
{
    Start("createnode a root\nfrobnicate\nfrobnicate\ncreatenode b root\nexitdemo\ncreatenode never root\n");
    // Each unknown keyword costs its frame the update: two in a row, two frames.
    FrameResult r;
    for (int i = 0; i < 2; ++i) {
        r = RunFrame(*demo, dt);
        EXPECT_FALSE(r.updated);
        EXPECT_EQ(demo->m_fGlobalTime, 0.0f);
    }
    EXPECT_NE(demo->m_pRenderer->FindNode("\\a"), nullptr);
    r = RunFrame(*demo, dt);
    EXPECT_TRUE(r.updated); // b and exitdemo ran in the same batch, then the frame updated
    EXPECT_TRUE(r.ended);
    EXPECT_NE(demo->m_pRenderer->FindNode("\\b"), nullptr);
    EXPECT_FLOAT_EQ(demo->m_fGlobalTime, dt);
    EXPECT_EQ(demo->m_pRenderer->FindNode("\\never"), nullptr);
}

TEST_F(Timeline, FadesFollowUpdatedFrames)
{
    Start("fadeup 2\ndelayuntil delay 1\nfadedown 0\n");
    EXPECT_EQ(demo->m_pRenderer->GetFadeValue(), 0.0f);
    for (int i = 0; i < 64; ++i)
        RunFrame(*demo, dt);
    EXPECT_FLOAT_EQ(demo->m_pRenderer->GetFadeValue(), 0.5f);
    RunFrame(*demo, dt); // fadedown 0 jumps to 0; the running fade then continues upwards
    EXPECT_FLOAT_EQ(demo->m_pRenderer->GetFadeValue(), 1.0f / 128.0f);
    for (int i = 0; i < 70; ++i)
        RunFrame(*demo, dt);
    // The old fade ran out with its time left landing exactly on 0, so nothing snapped.
    EXPECT_FLOAT_EQ(demo->m_pRenderer->GetFadeValue(), 0.5f);

    // With a step that does not divide the duration, the last step snaps to the target.
    demo->m_pRenderer->FadeDown(0);
    demo->m_pRenderer->FadeUp(2);
    for (int i = 0; i < 120; ++i)
        demo->m_pRenderer->Update(1.0f / 60.0f);
    EXPECT_LT(demo->m_pRenderer->GetFadeValue(), 1.0f);
    demo->m_pRenderer->Update(1.0f / 60.0f);
    EXPECT_EQ(demo->m_pRenderer->GetFadeValue(), 1.0f);
}

TEST_F(Timeline, SceneCommandsBuildAndAnimate)
{
    Start("createnode ship root\n"
          "createnode Mast ship\n"
          "createvariable Bob LINEAR 3\n"
          "setvariablekeyframe bob 0 0 0 0 99\n"
          "setvariablekeyframe bob 1 10 20\n"
          "setposition root\\ship bob\n"
          "setrotation \\ship\\mast 1 2 3\n"
          "createvariable neg linear -2\n"
          "setvariablekeyframe neg 0 5\n"
          "enablenode \\SHIP\\MAST 0\n"
          "setposition \\ship nosuchvar\n"
          "createvariable huge linear 2000000000\n"
          "setvariablekeyframe huge 0 1\n");
    for (int i = 0; i < 32; ++i)
        RunFrame(*demo, dt);
    CNodeResource* ship = demo->m_pRenderer->FindNode("\\ship");
    CNodeResource* mast = demo->m_pRenderer->FindNode("root\\ship\\mast");
    ASSERT_TRUE(ship && mast);
    EXPECT_FALSE(mast->IsEnabled());
    const Float3 p = ship->GetTransform()->GetValue(TransformChannel::Position);
    EXPECT_NEAR(p.x, 5.0f, 1e-4f);
    EXPECT_NEAR(p.y, 10.0f, 1e-4f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(mast->GetTransform()->GetValue(TransformChannel::Rotation).z, 3.0f);
    EXPECT_EQ(demo->m_Resources->FindResource("huge", RESOURCE_VARIABLE), nullptr);
}

} // namespace
