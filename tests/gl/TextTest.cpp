// Text on GL: productions drawn with a font that the baker makes from DejaVu
// Sans while the test runs, sheets in BC2 and B4G4R4A4 crafted here, the vertex
// ring across many draws, and the renderer's states met by a draw after text.
// Productions run from scratch copies, so nothing is written into the sources.
#include "ProductionRunner.h"
#include "support/TempDir.h"
#include "unit/SpriteFontBytes.h"

#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteBatch.h"
#include "assets/sprite/SpriteFont.h"
#include "render/FontResource.h"
#include "render/FullScreenQuad.h"
#include "render/MaterialResource.h"
#include "scene/NodeResource.h"
#include "scene/Property.h"
#include "scene/ResourceRegistry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <epoxy/gl.h>

namespace {

// A scratch copy of tests/productions/<name> with a folder for baked fonts.
std::filesystem::path CopyProduction(const TempDir& temp, const std::string& name)
{
    const std::filesystem::path dir = ::CopyProduction(name, temp.Path());
    std::filesystem::create_directories(dir / "Data" / "Fonts");
    return dir;
}

#define ML_REQUIRE_BAKER()                                                  \
    do {                                                                    \
        if (!std::filesystem::exists(kDejaVu))                              \
            GTEST_SKIP() << "fonts-dejavu-core is not installed";           \
    } while (0)

struct Box {
    float left, top, right, bottom;
};

// The glyph quads of a text laid out from pen (0, 0) and its measured size,
// read from the same font file through the null back end.
struct Layout {
    DirectX::Vector2 size;
    std::vector<Box> quads;
};

Layout LayOut(const std::string& fontFile, const std::u16string& text)
{
    DirectX::CNullSpriteBackend backend;
    DirectX::SpriteFont font(backend, fontFile);
    Layout layout;
    layout.size = font.MeasureText(text);
    DirectX::SpriteBatch batch(backend);
    batch.Begin();
    font.RenderText(batch, text.c_str(), {0.0f, 0.0f});
    batch.End();
    size_t sprites = 0;
    for (const auto& draw : backend.m_Draws)
        sprites += draw.indexCount / 6;
    for (size_t i = 0; i < sprites; ++i) {
        const ModelVertex& topLeft = backend.m_Ring[i * 4];
        const ModelVertex& bottomRight = backend.m_Ring[i * 4 + 3];
        layout.quads.push_back({topLeft.position[0], topLeft.position[1], bottomRight.position[0],
                                bottomRight.position[1]});
    }
    return layout;
}

// Pixels whose brightest channel exceeds a faint edge's; right and bottom inclusive.
struct Ink {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int count = 0;
};

Ink FindInk(const Image& image)
{
    Ink ink;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto p = image.At(x, y);
            if (std::max({p[0], p[1], p[2]}) <= 24)
                continue;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
            ++ink.count;
        }
    return ink;
}

// The ink a layout leaves when its measured box is centred on the point that
// world translation (tx, ty) names: x from -1 (left) to 1 (right), y from -1
// (top) to 1 (bottom). Pixels whose centres the quads cover, clipped to the screen.
Ink ExpectedInk(const Layout& layout, float tx, float ty, int width, int height)
{
    const float penX = (tx + 1.0f) * float(width) * 0.5f - layout.size.x * 0.5f;
    const float penY = (ty + 1.0f) * float(height) * 0.5f - layout.size.y * 0.5f;
    Ink ink;
    for (const Box& q : layout.quads) {
        ink.left = std::min(ink.left, int(std::ceil(penX + q.left - 0.5f)));
        ink.top = std::min(ink.top, int(std::ceil(penY + q.top - 0.5f)));
        ink.right = std::max(ink.right, int(std::ceil(penX + q.right - 0.5f)) - 1);
        ink.bottom = std::max(ink.bottom, int(std::ceil(penY + q.bottom - 0.5f)) - 1);
    }
    ink.left = std::max(ink.left, 0);
    ink.top = std::max(ink.top, 0);
    ink.right = std::min(ink.right, width - 1);
    ink.bottom = std::min(ink.bottom, height - 1);
    return ink;
}

// Faint anti-aliased edges may stay under the threshold: one pixel of slack.
::testing::AssertionResult InkMatches(const Image& image, const Ink& want)
{
    const Ink got = FindInk(image);
    if (got.count == 0)
        return ::testing::AssertionFailure() << "nothing drawn";
    const bool inside = got.left >= want.left && got.top >= want.top && got.right <= want.right &&
                        got.bottom <= want.bottom;
    const bool close = got.left - want.left <= 1 && got.top - want.top <= 1 && want.right - got.right <= 1 &&
                       want.bottom - got.bottom <= 1;
    if (inside && close)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ink spans x " << got.left << ".." << got.right << ", y " << got.top
                                         << ".." << got.bottom << "; want x " << want.left << ".." << want.right
                                         << ", y " << want.top << ".." << want.bottom;
}

int CountReports(const ProductionRun& run, const std::string& text)
{
    return static_cast<int>(std::count_if(run.reports.begin(), run.reports.end(),
                                           [&](const std::string& r) { return r.find(text) != std::string::npos; }));
}

TEST(Text, PlacementMovementHidingAndUndrawableTexts)
{
    ML_REQUIRE_BAKER();
    TempDir temp;
    const auto dir = CopyProduction(temp, "text");
    const auto font = dir / "Data" / "Fonts" / "DejaVu.spritefont";
    ASSERT_TRUE(BakeDejaVu(font));
    const Layout hi = LayOut(font.string(), u"Hi");
    ASSERT_EQ(hi.quads.size(), 2u);

    const int w = 128, h = 72;
    const ProductionRun run = RunProductionAt(dir.string(), {8, 24, 40, 56, 72}, 64, 2000, {}, w, h, h);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.frames, 81); // exitdemo on frame 80

    // Centred on the screen, on the top-left corner (three quarters off-screen),
    // on the bottom edge, then at a child's world position (0.5, -0.5).
    EXPECT_TRUE(InkMatches(run.images.at(8), ExpectedInk(hi, 0.0f, 0.0f, w, h)));
    EXPECT_TRUE(InkMatches(run.images.at(24), ExpectedInk(hi, -1.0f, -1.0f, w, h)));
    EXPECT_TRUE(InkMatches(run.images.at(40), ExpectedInk(hi, 0.0f, 1.0f, w, h)));
    EXPECT_TRUE(InkMatches(run.images.at(56), ExpectedInk(hi, 0.5f, -0.5f, w, h)));
    // White text on black, premultiplied: the stems of 'H' are full white.
    const Ink centred = FindInk(run.images.at(8));
    int whitest = 0;
    for (int x = centred.left; x <= centred.right; ++x)
        whitest = std::max(whitest, run.images.at(8).At(x, (centred.top + centred.bottom) / 2)[0]);
    EXPECT_GE(whitest, 250);
    // The parent disabled: nothing at all.
    EXPECT_TRUE(Uniform(run.images.at(72), {0, 0, 0}, 0));

    // The texts that cannot be drawn were skipped on every frame (the rest drew,
    // above), and each said why exactly once.
    EXPECT_EQ(CountReports(run, "\"broken\""), 1);
    EXPECT_TRUE(run.Reported("Invalid UTF-8 sequence found in input string."));
    EXPECT_EQ(CountReports(run, "\"accent\""), 1);
    EXPECT_TRUE(run.Reported("Character not in font"));
    EXPECT_TRUE(run.Reported("font \"missing\" not loaded"));
}

// The picture at a third of the size, each pixel the mean of a 3x3 block.
Image ShrinkByThree(const Image& big)
{
    Image small;
    small.width = big.width / 3;
    small.height = big.height / 3;
    small.rgb.resize(static_cast<size_t>(small.width) * static_cast<size_t>(small.height) * 3);
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx)
                        sum += big.At(x * 3 + dx, y * 3 + dy)[static_cast<size_t>(c)];
                small.rgb[(static_cast<size_t>(y) * static_cast<size_t>(small.width) + static_cast<size_t>(x)) * 3 +
                          static_cast<size_t>(c)] = static_cast<uint8_t>((sum + 4) / 9);
            }
    return small;
}

long Brightness(const Image& image)
{
    long sum = 0;
    for (uint8_t v : image.rgb)
        sum += v;
    return sum;
}

TEST(Text, APreviewIsTheFullSizePictureMadeSmaller)
{
    ML_REQUIRE_BAKER();
    TempDir temp;
    const auto dir = CopyProduction(temp, "text");
    // 42 pixels high at 1080 lines: 14 at 360.
    ASSERT_TRUE(BakeDejaVu(dir / "Data" / "Fonts" / "DejaVu.spritefont", 42));
    // Centred, and at a child's world position (0.5, -0.5).
    const std::set<long> frames = {8, 56};
    const ProductionRun film = RunProductionAt(dir.string(), frames, 64, 57, {}, 1920, 1080);
    const ProductionRun preview = RunProductionAt(dir.string(), frames, 64, 57, {}, 640, 360);
    ASSERT_EQ(film.status, 0);
    ASSERT_EQ(preview.status, 0);
    for (long frame : frames) {
        const Image shrunk = ShrinkByThree(film.images.at(frame));
        const Image& small = preview.images.at(frame);
        const Ink want = FindInk(shrunk);
        const Ink got = FindInk(small);
        ASSERT_GT(want.count, 0) << "frame " << frame;
        // Same place and size within a pixel or two; as much ink within a tenth.
        EXPECT_NEAR(got.left, want.left, 2) << "frame " << frame;
        EXPECT_NEAR(got.right, want.right, 2) << "frame " << frame;
        EXPECT_NEAR(got.top, want.top, 2) << "frame " << frame;
        EXPECT_NEAR(got.bottom, want.bottom, 2) << "frame " << frame;
        EXPECT_NEAR(static_cast<double>(Brightness(small)), static_cast<double>(Brightness(shrunk)),
                    0.1 * static_cast<double>(Brightness(shrunk)))
            << "frame " << frame;
    }
}

// Four 4x4 glyphs "abcd", one colour each, on a 16x4 sheet.
SpriteFontBytes FourGlyphFont(uint32_t format, uint32_t rowPitch, std::vector<uint8_t> texels)
{
    SpriteFontBytes f;
    for (uint32_t i = 0; i < 4; ++i) {
        const int32_t x = int32_t(i) * 4;
        f.glyphs.push_back({'a' + i, x, 0, x + 4, 4, 0.0f, 0.0f, 0.0f});
    }
    f.lineSpacing = 4.0f;
    f.width = 16;
    f.height = 4;
    f.format = format;
    f.rowPitch = rowPitch;
    f.rowCount = format == 74 ? 1 : 4; // BC2 rows are rows of 4x4 blocks
    f.texels = std::move(texels);
    return f;
}

// Rows are padded past their data with bytes that must never be read as texels.
constexpr uint32_t kPadding = 8;

std::vector<uint8_t> Bc2Sheet()
{
    // Per block: 4-bit alpha for 16 texels, then colours 0 and 1 (RGB 5:6:5)
    // and 2-bit indices, all 0: every texel is colour 0.
    const uint16_t colour[4] = {0xF800, 0x07E0, 0x001F, (16u << 11) | (32u << 5)};
    const uint8_t alpha[4] = {0xFF, 0xFF, 0xFF, 0x88};
    std::vector<uint8_t> out;
    for (int b = 0; b < 4; ++b) {
        out.insert(out.end(), 8, alpha[b]);
        out.push_back(uint8_t(colour[b] & 0xFF));
        out.push_back(uint8_t(colour[b] >> 8));
        out.insert(out.end(), 6, 0);
    }
    out.insert(out.end(), kPadding, 0xEE);
    return out;
}

std::vector<uint8_t> B4G4R4A4Sheet()
{
    // Blue in bits 0-3, green 4-7, red 8-11, alpha 12-15.
    const uint16_t texel[4] = {0xFF00, 0xF0F0, 0xF00F, 0x8420};
    std::vector<uint8_t> out;
    for (int row = 0; row < 4; ++row) {
        for (int x = 0; x < 16; ++x) {
            out.push_back(uint8_t(texel[x / 4] & 0xFF));
            out.push_back(uint8_t(texel[x / 4] >> 8));
        }
        out.insert(out.end(), kPadding, 0xEE);
    }
    return out;
}

void WriteFont(const std::filesystem::path& path, const SpriteFontBytes& font)
{
    const auto bytes = font.Build();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

// Draws the grid text straight through the font, several times, each on a
// cleared back buffer: 36 lines of 64 one-pixel glyphs, 2304 sprites a draw.
std::vector<Image> DrawGrid(CDemoSystem& demo, int draws)
{
    auto& renderer = static_cast<CGLRenderer&>(*demo.m_pRenderer);
    auto* font = static_cast<CFontResource*>(demo.m_Resources->FindResource("grid", RESOURCE_FONT));
    std::vector<Image> images;
    if (!font)
        return images;
    std::string text;
    for (int line = 0; line < 36; ++line)
        text += std::string(64, 'x') + (line < 35 ? "\n" : "");
    for (int i = 0; i < draws; ++i) {
        renderer.SetBackBufferTarget();
        renderer.Clear(0.0f, 0.0f, 0.0f);
        font->DrawTextAt(text, Matrix4::Identity());
        Image image;
        image.width = renderer.Width();
        image.height = renderer.Height();
        renderer.ReadBackBuffer(image.rgb);
        images.push_back(std::move(image));
    }
    return images;
}

TEST(Text, SheetFormatsAndTheVertexRing)
{
    TempDir temp;
    const auto dir = CopyProduction(temp, "sheets");
    const auto fonts = dir / "Data" / "Fonts";

    SpriteFontBytes backdrop;
    backdrop.glyphs.push_back({'M', 0, 0, 64, 36, 0.0f, 0.0f, 0.0f});
    backdrop.lineSpacing = 36.0f;
    backdrop.width = 64;
    backdrop.height = 36;
    backdrop.rowPitch = 64 * 4;
    backdrop.rowCount = 36;
    for (int i = 0; i < 64 * 36; ++i)
        backdrop.texels.insert(backdrop.texels.end(), {51, 102, 255, 255});
    WriteFont(fonts / "Backdrop.spritefont", backdrop);
    WriteFont(fonts / "Bc2.spritefont", FourGlyphFont(74, 64 + kPadding, Bc2Sheet()));
    WriteFont(fonts / "B4G4R4A4.spritefont", FourGlyphFont(115, 32 + kPadding, B4G4R4A4Sheet()));
    // A DXGI format with no GL counterpart (extended-range bias).
    SpriteFontBytes extended = FourGlyphFont(89, 64, {});
    WriteFont(fonts / "ExtendedRange.spritefont", extended);
    SpriteFontBytes grid;
    grid.glyphs.push_back({'x', 0, 0, 1, 1, 0.0f, 0.0f, 0.0f});
    grid.lineSpacing = 1.0f;
    grid.width = 1;
    grid.height = 1;
    grid.rowPitch = 4;
    grid.rowCount = 1;
    grid.texels = {255, 255, 255, 255};
    WriteFont(fonts / "Grid.spritefont", grid);

    std::vector<Image> grids;
    // Laid out in output pixels: the glyphs are 4x4 pixels of the 64x36 picture.
    const ProductionRun run = RunProductionAt(
        dir.string(), {4}, 64, 2000,
        [&](long frame, CDemoSystem& demo) {
            if (frame == 5)
                grids = DrawGrid(demo, 4);
        },
        64, 36, 36);
    ASSERT_EQ(run.status, 0);
    // Only the sheet without a GL format failed, as a device refuses an invalid argument.
    EXPECT_EQ(CountReports(run, "not loaded"), 1);
    EXPECT_TRUE(run.Reported("font \"extended\" not loaded from \"Data\\Fonts\\ExtendedRange.spritefont\": "
                             "its glyph sheet has a size, pixel format or row pitch that no texture can have"));
    const Image& image = run.images.at(4);

    // Outside the glyphs: the backdrop, drawn opaque.
    EXPECT_TRUE(Near(image.At(2, 2), {51, 102, 255}));
    EXPECT_TRUE(Near(image.At(61, 33), {51, 102, 255}));
    // Each glyph's 16 pixels: opaque red, green, blue, then a translucent
    // colour over the backdrop, premultiplied: colour + backdrop * (1 - alpha).
    // BC2: colour 0 (16/31, 32/63, 0) with alpha 8/15. B4G4R4A4: (4, 2, 0)/15, alpha 8/15.
    const std::array<int, 3> bc2[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {155, 177, 119}};
    const std::array<int, 3> b4[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {92, 82, 119}};
    // "abcd" measures 16x4: pens (24, 7) at y -0.5 and (24, 25) at y 0.5.
    for (int g = 0; g < 4; ++g)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                EXPECT_TRUE(Near(image.At(24 + 4 * g + x, 7 + y), bc2[g], 2)) << "BC2 glyph " << g;
                EXPECT_TRUE(Near(image.At(24 + 4 * g + x, 25 + y), b4[g], 2)) << "B4G4R4A4 glyph " << g;
            }

    // 2304 sprites a draw wrap the 2048-sprite ring inside every draw and start
    // each at another place: every sprite reaches its pixel every time.
    ASSERT_EQ(grids.size(), 4u);
    for (const Image& g : grids)
        EXPECT_TRUE(Uniform(g, {255, 255, 255}, 0));
}

// Stands in for a model drawn after text (no GL model class is used here): on
// the text's node, after the text renderer, it records the pipeline state it
// meets, then draws two quads with the production's materials: red at half
// alpha over the right half at depth 0.25, then opaque green over everything
// at depth 0.5. With the renderer's states the green is hidden on the right,
// where the red was blended as source alpha over: (0.5, 0, 0).
class CAfterTextProbe : public CProperty {
public:
    // What a draw after text must meet: the renderer's own states. Depth LESS with
    // writes, stencil counting depth failures with reference 1; back faces culled,
    // clockwise front, depth clip on, no multisampling; source-alpha blending
    // (alpha: inverse destination alpha, one), every sample.
    struct State {
        GLenum name;
        GLint want;
    };
    static constexpr State kStates[] = {
        {GL_DEPTH_TEST, 1}, {GL_DEPTH_WRITEMASK, 1}, {GL_DEPTH_FUNC, GL_LESS}, {GL_STENCIL_TEST, 1},
        {GL_STENCIL_REF, 1}, {GL_STENCIL_BACK_REF, 1}, {GL_STENCIL_PASS_DEPTH_FAIL, GL_INCR},
        {GL_STENCIL_BACK_PASS_DEPTH_FAIL, GL_DECR}, {GL_CULL_FACE, 1}, {GL_CULL_FACE_MODE, GL_BACK},
        {GL_FRONT_FACE, GL_CW}, {GL_DEPTH_CLAMP, 0}, {GL_MULTISAMPLE, 0}, {GL_BLEND, 1}, {GL_SAMPLE_MASK, 0},
        {GL_BLEND_SRC_RGB, GL_SRC_ALPHA}, {GL_BLEND_DST_RGB, GL_ONE_MINUS_SRC_ALPHA},
        {GL_BLEND_SRC_ALPHA, GL_ONE_MINUS_DST_ALPHA}, {GL_BLEND_DST_ALPHA, GL_ONE},
    };
    // The bound program, the renderer's record of it, then each of kStates.
    using Seen = std::vector<GLint>;

    CAfterTextProbe(CGLRenderer& renderer, CMaterialResource* nearRed, CMaterialResource* farGreen)
        : CProperty(RESOURCE_MODELRENDERER, "aftertext"), m_Renderer(renderer), m_pNear(nearRed), m_pFar(farGreen)
    {
        const ModelVertex nearQuad[4] = {{{0, 1, 0.25f}, {1, 1, 1, 1}, {0, 0}},
                                         {{1, 1, 0.25f}, {1, 1, 1, 1}, {1, 0}},
                                         {{0, -1, 0.25f}, {1, 1, 1, 1}, {0, 1}},
                                         {{1, -1, 0.25f}, {1, 1, 1, 1}, {1, 1}}};
        ModelVertex farQuad[4];
        std::copy(std::begin(kUnitQuadVertices), std::end(kUnitQuadVertices), farQuad);
        for (ModelVertex& v : farQuad)
            v.position[2] = 0.5f;
        glCreateBuffers(1, &m_Near);
        glNamedBufferStorage(m_Near, sizeof(nearQuad), nearQuad, 0);
        glCreateBuffers(1, &m_Far);
        glNamedBufferStorage(m_Far, sizeof(farQuad), farQuad, 0);
        glCreateBuffers(1, &m_Indices);
        glNamedBufferStorage(m_Indices, sizeof(kUnitQuadIndices), kUnitQuadIndices, 0);
    }
    ~CAfterTextProbe() override
    {
        const GLuint buffers[3] = {m_Near, m_Far, m_Indices};
        glDeleteBuffers(3, buffers);
    }

    bool Update(float dt) override
    {
        m_pNear->Update(dt);
        m_pFar->Update(dt);
        return true;
    }

    bool Render() override
    {
        Seen s(2);
        glGetIntegerv(GL_CURRENT_PROGRAM, &s[0]);
        s[1] = GLint(m_Renderer.GetCurrentProgram());
        for (const State& state : kStates)
            glGetIntegerv(state.name, &s.emplace_back());
        seen.push_back(s);

        m_pNear->Apply();
        m_Renderer.DrawIndexed(m_Near, m_Indices, 6);
        m_pFar->Apply();
        m_Renderer.DrawIndexed(m_Far, m_Indices, 6);
        return true;
    }

    std::vector<Seen> seen;

private:
    CGLRenderer& m_Renderer;
    CMaterialResource* m_pNear;
    CMaterialResource* m_pFar;
    GLuint m_Near = 0, m_Far = 0, m_Indices = 0;
};

TEST(Text, ADrawAfterTextMeetsTheRenderersStates)
{
    ML_REQUIRE_BAKER();
    TempDir temp;
    const auto dir = CopyProduction(temp, "textstate");
    ASSERT_TRUE(BakeDejaVu(dir / "Data" / "Fonts" / "DejaVu.spritefont"));

    CAfterTextProbe* probe = nullptr;
    std::vector<CAfterTextProbe::Seen> seen; // copied out: the demo system frees the probe
    const ProductionRun run = RunProductionAt(dir.string(), {0, 4}, 64, 2000, [&](long frame, CDemoSystem& demo) {
        if (probe)
            seen = probe->seen;
        if (frame != 0)
            return;
        auto* nearRed = static_cast<CMaterialResource*>(demo.m_Resources->FindResource("nearred", RESOURCE_MATERIAL));
        auto* farGreen =
            static_cast<CMaterialResource*>(demo.m_Resources->FindResource("fargreen", RESOURCE_MATERIAL));
        CNodeResource* label = demo.m_pRenderer->FindNode("\\label");
        if (!nearRed || !farGreen || !label)
            return;
        probe = new CAfterTextProbe(static_cast<CGLRenderer&>(*demo.m_pRenderer), nearRed, farGreen);
        demo.Adopt(probe);
        label->AddProperty(probe);
    }, 64, 36, 36);
    ASSERT_EQ(run.status, 0);
    // Frame 0 had the text alone.
    EXPECT_GT(FindInk(run.images.at(0)).count, 0);

    // From frame 1 on, every draw after the text met the renderer's own states.
    ASSERT_GE(seen.size(), 4u);
    for (const auto& s : seen) {
        EXPECT_EQ(s[0], s[1]) << "the renderer's record of the bound program";
        for (size_t i = 0; i < std::size(CAfterTextProbe::kStates); ++i)
            EXPECT_EQ(s[i + 2], CAfterTextProbe::kStates[i].want) << "GL state 0x" << std::hex << CAfterTextProbe::kStates[i].name;
    }

    // Depth kept the far green off the right half; red was blended source-alpha over.
    const Image& image = run.images.at(4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::array<int, 3> want = x < image.width / 2 ? std::array<int, 3>{0, 255, 0}
                                                                 : std::array<int, 3>{128, 0, 0};
            ASSERT_TRUE(Near(image.At(x, y), want)) << "pixel " << x << ", " << y;
        }
    }
}

} // namespace
