// Model renderers against a material that records what it would upload: each
// renderer draws with the constants of its own update, also when several share
// one material, and a material with one user is never re-uploaded.
#include "app/DemoSystem.h"
#include "render/MaterialResource.h"
#include "render/ModelResource.h"
#include "render/NullRenderer.h"
#include "scene/ModelRendererProperty.h"
#include "scene/NodeResource.h"
#include "scene/ParameterTable.h"
#include "scene/Transform.h"
#include "scene/VariableResource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Its "constant buffer" holds the World matrix and the ambient colour, refilled
// from the parameter table on every update as a back end does.
class RecordingMaterial : public CMaterialResource {
public:
    explicit RecordingMaterial(std::string name) : CMaterialResource(std::move(name)) {}

    void Update(float dt) override
    {
        CMaterialResource::Update(dt);
        m_Shadow.assign(80, 0);
        const auto& params = *g_pDemoSystem->m_Parameters;
        std::memcpy(m_Shadow.data(), params.FindParameter("worldmatrix"), 64);
        std::memcpy(m_Shadow.data() + 64, params.FindParameter("ambientcolour"), 16);
        m_Gpu = m_Shadow;
    }
    void CaptureConstants(std::vector<uint8_t>& snapshot) const override { snapshot = m_Shadow; }

    std::vector<uint8_t> m_Gpu;
    int m_Restores = 0;

protected:
    void UploadConstants(const std::vector<uint8_t>& snapshot, const void*) override
    {
        m_Shadow = snapshot;
        m_Gpu = snapshot;
        ++m_Restores;
    }

private:
    std::vector<uint8_t> m_Shadow;
};

struct Drawn {
    float worldX; // translation x as the shader reads it (World is stored transposed)
    float red;    // ambient colour
};

// Records the constants its material holds at each draw.
class RecordingModel : public CModelResource {
public:
    RecordingModel() : CModelResource("model") {}
    void Draw() override
    {
        float world[16], colour[4];
        std::memcpy(world, material->m_Gpu.data(), 64);
        std::memcpy(colour, material->m_Gpu.data() + 64, 16);
        draws.push_back({world[3], colour[0]});
    }
    RecordingMaterial* material = nullptr;
    std::vector<Drawn> draws;
};

class SharedMaterial : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    CNullDemoSystem* demo = new CNullDemoSystem();

    void SetUp() override { ASSERT_TRUE(demo->Init("DemoScript.txt", 64, 36)); }
    void TearDown() override { delete demo; }

    template <typename T>
    T* Own(T* object)
    {
        demo->Adopt(object);
        return object;
    }
    CModelRendererProperty* RendererAt(float x, RecordingModel* model, RecordingMaterial* material)
    {
        CNodeResource* node = demo->m_pRenderer->CreateNode("n" + std::to_string(x));
        node->AttachTo(demo->m_pRenderer->GetRoot());
        node->GetTransform()->SetValue(TransformChannel::Position, {x, 0, 0});
        auto* property = Own(new CModelRendererProperty("mr" + std::to_string(x), model));
        property->SetMaterial("material", material);
        node->AddProperty(property);
        return property;
    }
    void Frame(float dt)
    {
        demo->m_pRenderer->Update(dt);
        demo->m_pRenderer->RenderScene();
    }
};

TEST_F(SharedMaterial, EachRendererDrawsWithItsOwnUpdate)
{
    auto* shared = Own(new RecordingMaterial("shared"));
    auto* alone = Own(new RecordingMaterial("alone"));
    auto* red = Own(new CVariableResource("red", "linear", 1));
    red->AddKeyframe(0.0f)->values = {0.0f};
    red->AddKeyframe(1.0f)->values = {1.0f};
    shared->SetColourSource(red);
    auto* sharedModel = Own(new RecordingModel());
    auto* aloneModel = Own(new RecordingModel());
    sharedModel->material = shared;
    aloneModel->material = alone;
    CModelRendererProperty* first = RendererAt(1.0f, sharedModel, shared);
    RendererAt(2.0f, sharedModel, shared);
    RendererAt(3.0f, aloneModel, alone);

    Frame(0.125f);
    Frame(0.125f);
    // Each update advances the colour once; restoring does not advance it again.
    EXPECT_FLOAT_EQ(red->GetLocalTime(), 0.5f);
    ASSERT_EQ(sharedModel->draws.size(), 4u);
    const Drawn want[4] = {{1.0f, 0.125f}, {2.0f, 0.25f}, {1.0f, 0.375f}, {2.0f, 0.5f}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(sharedModel->draws[i].worldX, want[i].worldX) << "draw " << i;
        EXPECT_FLOAT_EQ(sharedModel->draws[i].red, want[i].red) << "draw " << i;
    }
    EXPECT_EQ(shared->m_Restores, 4);
    // One user: drawn as updated, never uploaded a second time.
    ASSERT_EQ(aloneModel->draws.size(), 2u);
    EXPECT_FLOAT_EQ(aloneModel->draws[1].worldX, 3.0f);
    EXPECT_EQ(alone->m_Restores, 0);

    // A material bound after the update is drawn as it stands, not with a
    // snapshot taken from another material.
    auto* late = Own(new RecordingMaterial("late"));
    demo->m_pRenderer->Update(0.0f);
    first->SetMaterial("material", late);
    late->Update(0.0f);
    sharedModel->material = late;
    demo->m_pRenderer->RenderScene();
    EXPECT_EQ(late->m_Restores, 0);
}

} // namespace
