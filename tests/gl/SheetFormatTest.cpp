// Sprite font sheets in every format a sheet may use: each font holds one 4x4
// glyph of one texel value, drawn centred on a white back buffer with the
// batch's premultiplied blending, and the pixel read back is what Direct3D
// would show. Formats without a GL form do not load and are named in the report.
#include "ProductionRunner.h"
#include "support/TempDir.h"
#include "unit/SpriteFontBytes.h"

#include "render/DxgiFormat.h"
#include "render/FontResource.h"
#include "scene/ResourceRegistry.h"

#include <cmath>
#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

int Unit(double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

uint16_t Half(float f)
{
    // Exact for the values used here (normal, few mantissa bits).
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return uint16_t(((bits >> 16) & 0x8000) | ((((bits >> 23) & 0xFF) - 112) << 10) | ((bits >> 13) & 0x3FF));
}
float FromHalf(uint16_t h)
{
    const int exponent = (h >> 10) & 31;
    const float mantissa = float(h & 1023) / 1024.0f;
    return (h & 0x8000 ? -1.0f : 1.0f) *
           (exponent ? std::ldexp(1.0f + mantissa, exponent - 15) : std::ldexp(mantissa, -14));
}

template <typename T> void Put(Bytes& out, T v)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

// Writes `count` bits of `value` at bit `at` of a 16-byte block, least significant first.
void PutBits(Bytes& block, unsigned at, unsigned count, uint32_t value)
{
    for (unsigned i = 0; i < count; ++i)
        if (value >> i & 1)
            block[(at + i) / 8] |= uint8_t(1u << ((at + i) % 8));
}

// BC1 colour part: both end points the colour, every index 0.
Bytes ColourBlock(uint16_t colour565)
{
    Bytes b;
    Put(b, colour565);
    Put(b, colour565);
    Put(b, uint32_t(0));
    return b;
}
// BC3/BC4 alpha or red part: both end points the value, every index 0.
Bytes ValueBlock(uint8_t value) { return {value, value, 0, 0, 0, 0, 0, 0}; }
Bytes Join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
int Expand5(int v) { return v << 3 | v >> 2; }
int Expand6(int v) { return v << 2 | v >> 4; }

// BC6H mode 11: one region, 10-bit end points, 4-bit indices, all 0.
Bytes Bc6hBlock(uint32_t r, uint32_t g, uint32_t b)
{
    Bytes block(16, 0);
    PutBits(block, 0, 5, 0x03);
    PutBits(block, 5, 10, r), PutBits(block, 15, 10, g), PutBits(block, 25, 10, b);
    PutBits(block, 35, 10, r), PutBits(block, 45, 10, g), PutBits(block, 55, 10, b);
    return block;
}
float Bc6hUnsigned(uint32_t v) { return FromHalf(uint16_t((((v << 16) + 0x8000) >> 10) * 31 >> 6)); }
float Bc6hSigned(uint32_t v) { return FromHalf(uint16_t((((v << 15) + 0x4000) >> 9) * 31 >> 5)); }

// BC7 mode 6: one subset, 7-bit RGBA end points plus a shared bit each, indices 0.
Bytes Bc7Block(uint32_t r, uint32_t g, uint32_t b, uint32_t a, uint32_t p)
{
    Bytes block(16, 0);
    PutBits(block, 0, 7, 0x40);
    const uint32_t channels[4] = {r, g, b, a};
    for (unsigned c = 0; c < 4; ++c)
        for (unsigned e = 0; e < 2; ++e)
            PutBits(block, 7 + c * 14 + e * 7, 7, channels[c]);
    PutBits(block, 63, 1, p);
    PutBits(block, 64, 1, p);
    return block;
}

struct SheetCase {
    DxgiFormat format;
    Bytes texel; // one texel, or the one 4x4 block
    std::array<int, 3> drawn;
    int tolerance = 2;
};

std::vector<SheetCase> Cases()
{
    using F = DxgiFormat;
    auto texel = [](auto... values) {
        Bytes b;
        (Put(b, values), ...);
        return b;
    };
    const int l128 = SrgbToLinear(128);
    const int g132 = SrgbToLinear(Expand5(16)), g130 = SrgbToLinear(Expand6(32));
    // Over white, a texel of alpha a leaves (1 - a) of the white: premultiplied colour + white * (1 - a).
    return {
        {F::R8G8B8A8_UNORM, texel(uint8_t(200), uint8_t(100), uint8_t(50), uint8_t(255)), {200, 100, 50}},
        {F::R8G8B8A8_UNORM_SRGB, texel(uint8_t(128), uint8_t(128), uint8_t(255), uint8_t(255)), {l128, l128, 255}},
        {F::B8G8R8A8_UNORM, texel(uint8_t(50), uint8_t(100), uint8_t(200), uint8_t(255)), {200, 100, 50}},
        {F::B8G8R8A8_UNORM_SRGB, texel(uint8_t(128), uint8_t(64), uint8_t(255), uint8_t(255)),
         {255, SrgbToLinear(64), l128}},
        {F::B8G8R8X8_UNORM, texel(uint8_t(50), uint8_t(100), uint8_t(200), uint8_t(0)), {200, 100, 50}},
        {F::B8G8R8X8_UNORM_SRGB, texel(uint8_t(128), uint8_t(128), uint8_t(128), uint8_t(0)), {l128, l128, l128}},
        {F::R8G8_UNORM, texel(uint8_t(200), uint8_t(100)), {200, 100, 0}},
        {F::R8_UNORM, texel(uint8_t(200)), {200, 0, 0}},
        {F::A8_UNORM, texel(uint8_t(200)), {55, 55, 55}},
        {F::B5G6R5_UNORM, texel(uint16_t(16 << 11 | 32 << 5 | 8)), {Unit(16 / 31.0), Unit(32 / 63.0), Unit(8 / 31.0)}},
        {F::B5G5R5A1_UNORM, texel(uint16_t(0x8000 | 31 << 10 | 15)), {255, 0, Unit(15 / 31.0)}},
        {F::B4G4R4A4_UNORM, texel(uint16_t(0xF842)), {136, 68, 34}},
        {F::A4B4G4R4_UNORM, texel(uint16_t(0x842F)), {136, 68, 34}},
        {F::R10G10B10A2_UNORM, texel(uint32_t(3u << 30 | 0 << 20 | 512 << 10 | 1023)), {255, Unit(512 / 1023.0), 0}},
        {F::BC1_UNORM, ColourBlock(0xF800), {255, 0, 0}},
        {F::BC1_UNORM_SRGB, ColourBlock(16 << 11 | 32 << 5 | 16), {g132, g130, g132}},
        {F::BC2_UNORM, Join(Bytes(8, 0xFF), ColourBlock(0x07E0)), {0, 255, 0}},
        {F::BC2_UNORM_SRGB, Join(Bytes(8, 0xFF), ColourBlock(16 << 11 | 32 << 5 | 16)), {g132, g130, g132}},
        {F::BC3_UNORM, Join(ValueBlock(255), ColourBlock(0x001F)), {0, 0, 255}},
        {F::BC3_UNORM_SRGB, Join(ValueBlock(255), ColourBlock(16 << 11 | 32 << 5 | 16)), {g132, g130, g132}},
        {F::BC4_UNORM, ValueBlock(200), {200, 0, 0}},
        {F::BC4_SNORM, ValueBlock(100), {Unit(100 / 127.0), 0, 0}},
        {F::BC5_UNORM, Join(ValueBlock(200), ValueBlock(100)), {200, 100, 0}},
        {F::BC5_SNORM, Join(ValueBlock(100), ValueBlock(50)), {Unit(100 / 127.0), Unit(50 / 127.0), 0}},
        {F::BC6H_UF16, Bc6hBlock(462, 231, 0), {Unit(Bc6hUnsigned(462)), Unit(Bc6hUnsigned(231)), 0}},
        {F::BC6H_SF16, Bc6hBlock(231, 115, 0), {Unit(Bc6hSigned(231)), Unit(Bc6hSigned(115)), 0}},
        {F::BC7_UNORM, Bc7Block(100, 50, 25, 127, 1), {201, 101, 51}},
        {F::BC7_UNORM_SRGB, Bc7Block(63, 63, 127, 127, 1), {SrgbToLinear(127), SrgbToLinear(127), 255}},
        {F::R16_FLOAT, texel(Half(0.5f)), {128, 0, 0}},
        {F::R16G16_FLOAT, texel(Half(0.5f), Half(0.25f)), {128, 64, 0}},
        {F::R16G16B16A16_FLOAT, texel(Half(0.5f), Half(0.25f), Half(0.75f), Half(1.0f)), {128, 64, 191}},
        {F::R32_FLOAT, texel(0.25f), {64, 0, 0}},
        {F::R32G32_FLOAT, texel(0.25f, 0.5f), {64, 128, 0}},
        {F::R32G32B32_FLOAT, texel(0.25f, 0.5f, 0.75f), {64, 128, 191}},
        {F::R32G32B32A32_FLOAT, texel(0.25f, 0.5f, 0.75f, 1.0f), {64, 128, 191}},
        {F::R16G16B16A16_UNORM, texel(uint16_t(0x8080), uint16_t(0x4040), uint16_t(0), uint16_t(0xFFFF)), {128, 64, 0}},
    };
}

// One glyph 'a' covering a 4x4 sheet: one texel repeated, or one block.
SpriteFontBytes OneGlyphFont(const SheetCase& c)
{
    const DxgiFormatInfo* layout = FindDxgiFormat(c.format);
    SpriteFontBytes f;
    f.glyphs.push_back({'a', 0, 0, 4, 4, 0.0f, 0.0f, 0.0f});
    f.lineSpacing = 4.0f;
    f.width = 4;
    f.height = 4;
    f.format = uint32_t(c.format);
    f.rowPitch = uint32_t(layout->RowBytes(4));
    f.rowCount = uint32_t(layout->BlockRows(4));
    const size_t repeats = size_t(f.rowPitch) * f.rowCount / c.texel.size();
    for (size_t i = 0; i < repeats; ++i)
        f.texels.insert(f.texels.end(), c.texel.begin(), c.texel.end());
    return f;
}

} // namespace

TEST(SheetFormats, EveryFormatWithAGLFormDrawsAsOnDirect3D)
{
    TempDir temp;
    const std::vector<SheetCase> cases = Cases();
    for (const SheetCase& c : cases)
        temp.Write(std::to_string(uint32_t(c.format)) + ".spritefont",
                   [&] { const Bytes b = OneGlyphFont(c).Build(); return std::string(b.begin(), b.end()); }());
    // Formats with no GL form: extended-range bias, a typeless and a video format.
    for (uint32_t refused : {89u, 97u, 107u}) {
        SpriteFontBytes f = OneGlyphFont({DxgiFormat::R8G8B8A8_UNORM, {0, 0, 0, 0}, {}});
        f.format = refused;
        const Bytes b = f.Build();
        temp.Write(std::to_string(refused) + ".spritefont", std::string(b.begin(), b.end()));
    }

    std::vector<std::pair<std::string, std::array<int, 3>>> drawn;
    std::vector<std::string> loaded;
    const ProductionRun run = RunProductionAt(ProductionDir("endless"), {}, 64, 2, [&](long frame, CDemoSystem& demo) {
        if (frame != 1)
            return;
        auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
        for (uint32_t number : {89u, 97u, 107u}) {
            const std::string name = "refused" + std::to_string(number);
            renderer.CreateFont(name, (temp.Path() / (std::to_string(number) + ".spritefont")).string());
            if (demo.m_Resources->FindResource(name, RESOURCE_FONT))
                loaded.push_back(name);
        }
        for (const SheetCase& c : cases) {
            const std::string name = "f" + std::to_string(uint32_t(c.format));
            renderer.CreateFont(name, (temp.Path() / (std::to_string(uint32_t(c.format)) + ".spritefont")).string());
            auto* font = static_cast<CFontResource*>(demo.m_Resources->FindResource(name, RESOURCE_FONT));
            if (!font)
                continue;
            renderer.SetBackBufferTarget();
            renderer.Clear(1.0f, 1.0f, 1.0f);
            font->DrawTextAt("a", Matrix4::Identity());
            Image image;
            image.width = renderer.Width();
            image.height = renderer.Height();
            renderer.ReadBackBuffer(image.rgb);
            drawn.push_back({DescribeDxgiFormat(c.format), image.At(32, 18)});
        }
    }, 64, 36, 36); // laid out at the output's own height: no scaling of the 4x4 glyph
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(loaded.empty());
    for (const char* name : {"R10G10B10_XR_BIAS_A2_UNORM (89)", "BC7_TYPELESS (97)", "YUY2 (107)"})
        EXPECT_TRUE(run.Reported(std::string("sheet format ") + name + " has no OpenGL form")) << name;
    ASSERT_EQ(drawn.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_TRUE(Near(drawn[i].second, cases[i].drawn, cases[i].tolerance)) << drawn[i].first;
}
