// Scene graph: transform matrices, path lookup, walk order, enabling, deep sibling chains.
#include "app/DemoSystem.h"
#include "render/NullRenderer.h"
#include "scene/NodeResource.h"
#include "scene/Property.h"
#include "scene/ResourceRegistry.h"
#include "scene/Transform.h"
#include "scene/VariableResource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

void ExpectPoint(Float3 p, float x, float y, float z)
{
    EXPECT_NEAR(p.x, x, 1e-5f);
    EXPECT_NEAR(p.y, y, 1e-5f);
    EXPECT_NEAR(p.z, z, 1e-5f);
}

TEST(Transform, LocalMatrixScalesRotatesThenTranslates)
{
    CMatrixTransform t;
    t.SetValue(TransformChannel::Scale, {2, 2, 2});
    t.SetValue(TransformChannel::Rotation, {0, 0, 90});
    t.SetValue(TransformChannel::Position, {1, 0, 0});
    t.Update(0.0f);
    ExpectPoint(mlmath::TransformPoint({1, 0, 0}, t.GetLocal()), 1, 2, 0);

    CMatrixTransform x;
    x.SetValue(TransformChannel::Rotation, {90, 0, 0});
    x.Update(0.0f);
    ExpectPoint(mlmath::TransformPoint({0, 1, 0}, x.GetLocal()), 0, 0, 1); // left-handed

    CMatrixTransform y;
    y.SetValue(TransformChannel::Rotation, {0, 90, 0});
    y.Update(0.0f);
    ExpectPoint(mlmath::TransformPoint({0, 0, 1}, y.GetLocal()), 1, 0, 0);
}

TEST(Transform, VariablesDriveChannelsAndFixedValuesUnbind)
{
    CVariableResource v("v", "linear", 3);
    Keyframe* k0 = v.AddKeyframe(0);
    Keyframe* k1 = v.AddKeyframe(4);
    k1->values = {4, 8, 12};
    (void)k0;
    CVariableResource empty("e", "linear", 3);

    CMatrixTransform t;
    t.SetVariable(TransformChannel::Position, &v);
    t.SetVariable(TransformChannel::Rotation, &v);
    t.SetVariable(TransformChannel::Scale, &empty);
    t.Update(1.0f);
    // Position sees the variable at 1 s, rotation at 2 s: each use advances it.
    EXPECT_FLOAT_EQ(t.GetValue(TransformChannel::Position).x, 1.0f);
    EXPECT_FLOAT_EQ(t.GetValue(TransformChannel::Rotation).y, 4.0f);
    EXPECT_FLOAT_EQ(t.GetValue(TransformChannel::Scale).x, 0.0f); // no keys collapses the scale
    t.Update(1.0f);
    EXPECT_FLOAT_EQ(v.GetLocalTime(), 4.0f);

    t.SetValue(TransformChannel::Position, {9, 9, 9});
    t.Update(1.0f);
    EXPECT_FLOAT_EQ(t.GetValue(TransformChannel::Position).x, 9.0f);
    EXPECT_EQ(t.GetVariable(TransformChannel::Position), nullptr);
}

// Records the order of update and render stages.
class Probe : public CProperty {
public:
    Probe(std::string name, std::vector<std::string>* log) : CProperty(RESOURCE_CAMERA, name), m_Log(log) {}
    bool Update(float) override
    {
        m_Log->push_back("u:" + GetName());
        return true;
    }
    bool Render() override
    {
        m_Log->push_back("r:" + GetName());
        return true;
    }
    std::vector<std::string>* m_Log;
};

class SceneGraph : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    CNullDemoSystem* demo = new CNullDemoSystem();
    std::vector<std::string> log;

    void SetUp() override { ASSERT_TRUE(demo->Init("DemoScript.txt", 1920, 1080)); }
    void TearDown() override { delete demo; }

    CRenderer& Renderer() { return *demo->m_pRenderer; }
    CNodeResource* Node(const std::string& name, const std::string& parent)
    {
        CNodeResource* n = Renderer().CreateNode(name);
        if (auto* p = static_cast<CNodeResource*>(demo->m_Resources->FindResource(parent, RESOURCE_NODE)))
            n->AttachTo(p);
        auto* probe = new Probe(name, &log);
        demo->Adopt(probe);
        n->AddProperty(probe);
        return n;
    }
};

TEST_F(SceneGraph, WalksVisitSiblingsInAttachmentOrderWithSubtreesFirst)
{
    Node("first", "root");
    Node("second", "root");
    Node("inner", "second");
    Node("third", "root");
    Renderer().Update(0.0f);
    Renderer().RenderScene();
    EXPECT_EQ(log, (std::vector<std::string>{"u:first", "u:second", "u:inner", "u:third", "r:first", "r:second",
                                             "r:inner", "r:third"}));

    log.clear();
    Renderer().FindNode("\\second")->SetEnabled(false);
    Renderer().Update(0.0f);
    Renderer().RenderScene();
    EXPECT_EQ(log, (std::vector<std::string>{"u:first", "u:third", "r:first", "r:third"}));
}

TEST_F(SceneGraph, PathLookup)
{
    CNodeResource* a = Node("a", "root");
    CNodeResource* b = Node("b", "a");
    CNodeResource* elsewhere = Node("c", "root");
    CNodeResource* loose = Node("loose", "no-such-parent");
    (void)elsewhere;
    EXPECT_EQ(Renderer().FindNode("root"), Renderer().GetRoot());
    EXPECT_EQ(Renderer().FindNode("\\a"), a);
    EXPECT_EQ(Renderer().FindNode("root\\a"), a);
    EXPECT_EQ(Renderer().FindNode("root\\a\\b"), b);
    EXPECT_EQ(Renderer().FindNode("a"), nullptr);
    EXPECT_EQ(Renderer().FindNode(""), nullptr);
    EXPECT_EQ(Renderer().FindNode("root\\c\\b"), nullptr);
    EXPECT_EQ(Renderer().FindNode("\\loose"), nullptr);
    EXPECT_EQ(demo->m_Resources->FindResource("loose", RESOURCE_NODE), loose);

    // A duplicate name: the new node is attached and found by path first, the old one by name.
    CNodeResource* dup = Node("a", "root");
    EXPECT_EQ(Renderer().FindNode("\\a"), dup);
    EXPECT_EQ(demo->m_Resources->FindResource("a", RESOURCE_NODE), a);
}

TEST_F(SceneGraph, WorldMatrixComposesDownTheTree)
{
    CNodeResource* a = Node("a", "root");
    CNodeResource* b = Node("b", "a");
    a->GetTransform()->SetValue(TransformChannel::Position, {1, 0, 0});
    b->GetTransform()->SetValue(TransformChannel::Position, {0, 2, 0});
    // Capture World while b updates.
    class WorldProbe : public CProperty {
    public:
        WorldProbe(const CRendererMatrices* m) : CProperty(RESOURCE_CAMERA, "w"), m_M(m) {}
        bool Update(float) override
        {
            seen = m_M->World();
            return true;
        }
        const CRendererMatrices* m_M;
        Matrix4 seen{};
    };
    auto* probe = new WorldProbe(&static_cast<CNullRenderer&>(Renderer()).GetMatrices());
    demo->Adopt(probe);
    b->AddProperty(probe);
    Renderer().Update(0.0f);
    EXPECT_EQ(probe->seen, mlmath::Transpose(mlmath::Translation(1, 2, 0)));
    EXPECT_EQ(static_cast<CNullRenderer&>(Renderer()).GetMatrices().Depth(), 1u);
}

TEST_F(SceneGraph, DisabledNodeFreezesItsVariables)
{
    CNodeResource* n = Node("n", "root");
    auto* v = new CVariableResource("v", "linear", 3);
    demo->Adopt(v);
    n->GetTransform()->SetVariable(TransformChannel::Position, v);
    Renderer().Update(0.5f);
    n->SetEnabled(false);
    Renderer().Update(0.5f);
    EXPECT_FLOAT_EQ(v->GetLocalTime(), 0.5f);
    n->SetEnabled(true);
    Renderer().Update(0.5f);
    EXPECT_FLOAT_EQ(v->GetLocalTime(), 1.0f);
}

TEST_F(SceneGraph, TensOfThousandsOfSiblingsDoNotExhaustTheStack)
{
    CNodeResource* root = Renderer().GetRoot();
    CNodeResource* first = nullptr;
    CNodeResource* last = nullptr;
    for (int i = 0; i < 100000; ++i) {
        CNodeResource* n = Renderer().CreateNode("n" + std::to_string(i));
        n->AttachTo(root);
        if (!first)
            first = n;
        last = n;
    }
    auto* p1 = new Probe("p1", &log);
    auto* p2 = new Probe("p2", &log);
    demo->Adopt(p1);
    demo->Adopt(p2);
    first->AddProperty(p1);
    last->AddProperty(p2);
    Renderer().Update(0.0f);
    Renderer().RenderScene();
    EXPECT_EQ(log, (std::vector<std::string>{"u:p1", "u:p2", "r:p1", "r:p2"}));
    EXPECT_EQ(Renderer().FindNode("root\\n0"), first);
    EXPECT_EQ(Renderer().FindNode("\\n99999"), last);
    EXPECT_EQ(demo->m_Resources->FindResource("N99999", RESOURCE_NODE), last);
}

} // namespace
