// Material files as a material reads them: the material keyword table with a
// material that answers like a compiled pixel shader with a "Frame" texture.
// The input is the material file, then up to two files it may include,
// separated by NUL bytes.
#include "FuzzTarget.h"

#include "app/Diagnostics.h"
#include "render/MaterialResource.h"

namespace {
class CShaderlessMaterial : public CMaterialResource {
public:
    CShaderlessMaterial() : CMaterialResource("m") {}
    void LoadShader(MaterialStage stage, const std::string&, const std::string&) override
    {
        m_bPixel = m_bPixel || stage == MaterialStage::Pixel;
    }
    bool FindPixelResource(const std::string& name, uint32_t& bindPoint) const override
    {
        bindPoint = 1;
        return m_bPixel && name == "Frame";
    }
    bool HasPixelShader() const override { return m_bPixel; }

private:
    bool m_bPixel = false;
};
} // namespace

const char* const kFuzzReproPatterns[] = {"*/Data/Mats/*.txt", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    return {
        {"fader", "# the global fade\nloadvertexshader Data\\Shaders\\pass.hlsl PassVS\n"
                  "loadpixelshader Data\\Shaders\\pass.hlsl FadePS\ntextureslot rendertarget Frame\n"},
        {"include", fuzz::Join({"LoadPixelShader \"a b.hlsl\" PS\r\ninclude a.txt\ntextureslot late Frame\n",
                                "textureslot x Frame\ninclude b.txt\n", "textureslot missing Nothing\nunknown\n"})},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> files = fuzz::Split(data, size, 3);
    const char* const names[] = {"m.txt", "a.txt", "b.txt"};
    for (size_t i = 0; i < 3; ++i)
        fuzz::WriteScratch(names[i], i < files.size() ? files[i] : std::string_view());
    diag::SetEnabled(true);
    diag::SetSink([](const std::string&) {});
    CShaderlessMaterial material;
    material.ReadMaterialFile("m.txt");
    diag::SetSink({});
    diag::SetEnabled(false);
    return 0;
}
