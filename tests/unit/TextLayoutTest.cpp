// Text layout (measure and pen rules), the font resource's centred draw, and its
// load with the failures caught. Where text lands off the centre shows in the GL
// text pictures.
#include "unit/SpriteFontBytes.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/Utf8Util.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteBatch.h"
#include "assets/sprite/SpriteFont.h"
#include "assets/sprite/SpriteFontResource.h"
#include "scene/TextRendererProperty.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace DirectX;

namespace {
struct LayoutFont {
    CNullSpriteBackend backend;
    std::vector<uint8_t> bytes = LayoutFontBytes().Build();
    SpriteFont font{backend, bytes.data(), bytes.size()};
};

void ExpectSize(Vector2 size, float x, float y)
{
    EXPECT_FLOAT_EQ(size.x, x);
    EXPECT_FLOAT_EQ(size.y, y);
}

// Top-left corners of the sprites a text draws at pen (0, 0).
std::vector<Vector2> GlyphCorners(LayoutFont& f, const char16_t* text, Vector2 pen = {})
{
    f.backend.ClearRecord();
    SpriteBatch batch(f.backend);
    batch.Begin();
    f.font.RenderText(batch, text, pen);
    batch.End();
    std::vector<Vector2> corners;
    uint32_t sprites = 0;
    for (const auto& draw : f.backend.m_Draws)
        sprites += draw.indexCount / 6;
    for (uint32_t i = 0; i < sprites; ++i) {
        const ModelVertex& v = f.backend.m_Ring[size_t(i) * 4];
        corners.push_back({v.position[0], v.position[1]});
    }
    return corners;
}

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const auto path = std::filesystem::path(testing::TempDir()) / ("ml_text_" + name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// Captures diagnostics for the length of a test.
struct DiagCapture {
    std::vector<std::string> lines;
    DiagCapture()
    {
        diag::SetEnabled(true);
        diag::SetSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~DiagCapture()
    {
        diag::SetSink(nullptr);
        diag::SetEnabled(false);
    }
};

// A font resource that counts its state restores, as a back end's would restore.
class CountingFont : public CSpriteFontResource {
public:
    using CSpriteFontResource::CSpriteFontResource;
    int restores = 0;

protected:
    void RestoreRendererStates() override { ++restores; }
};

// A text renderer that draws through the guarded path, as a back end's does.
class GuardedTextRenderer : public CTextRendererProperty {
public:
    using CTextRendererProperty::CTextRendererProperty;
    bool Render() override
    {
        DrawTextSafely(Matrix4::Identity());
        return true;
    }
};
} // namespace

TEST(TextLayout, MeasureAndRenderFollowThePenRules)
{
    LayoutFont f;
    const struct {
        std::u16string text;
        float width, height;
    } cases[] = {
        {u"A", 10, 24},  // its width, and its height plus YOffset raised to the line spacing
        {u"x", 6, 24},   // 8 high with YOffset 12: 20, below the line spacing
        {u"AB", 16, 24}, // 'B' has XOffset -3: after 'A' (advance 11) it sits at 8
        {u"B", 8, 24},   // at the start of a line the negative offset is clamped to 0
        {u"A\nB", 10, 48},
        {u"A\r\nB", 10, 48}, // a carriage return is skipped entirely
        {u"A\rB", 16, 24},
        {u" A", 16, 24}, // an invisible space advances the pen; it counts only if a visible glyph follows
        {u"A ", 10, 24},
        {u"   ", 0, 0},
        {u"", 0, 0},
        {u"\n\n", 0, 0},
        {u"A\u00a0", 14, 24}, // a white-space glyph wider than one texel is drawn and measured
        {std::u16string(u"A\0B", 3), 10, 24}, // the walk ends at the first NUL, as for a C string
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        ExpectSize(f.font.MeasureText(c.text), c.width, c.height);
    }
    // A character the font lacks, with no default character, cannot be measured.
    try {
        f.font.MeasureText(u"AC");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Character not in font");
    }

    // 'A' at (0, 0 + YOffset 2); 'B' at 11 - 3 = 8. Second line at y 24: the space
    // moves the pen to 6, 'B' to 3, 'A' to 13.
    const auto corners = GlyphCorners(f, u"AB\r\n BA", {100, 50});
    const std::vector<std::pair<float, float>> want = {{100, 52}, {108, 50}, {103, 74}, {113, 76}};
    ASSERT_EQ(corners.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        ExpectSize(corners[i], want[i].first, want[i].second);
    // Each sprite is its Subrect's size and samples it.
    const ModelVertex* a = &f.backend.m_Ring[0];
    ExpectSize({a[3].position[0], a[3].position[1]}, 110, 72);
    ExpectSize({a[3].texcoord[0], a[3].texcoord[1]}, 10.0f / 64, 20.0f / 32);
    EXPECT_TRUE(GlyphCorners(f, u" \n ").empty());
}

TEST(FontResource, DrawsCentredTextAndRestoresStates)
{
    CNullDemoSystem demo;
    demo.m_nWidth = 640;
    demo.m_nHeight = 480;
    demo.m_nAuthoredHeight = 480; // laid out in output pixels
    CNullSpriteBackend backend;
    backend.m_fViewportWidth = 640;
    backend.m_fViewportHeight = 480;
    CountingFont font("title", &backend);
    ASSERT_TRUE(font.Load(WriteTemp("draw.spritefont", LayoutFontBytes().Build())));

    font.DrawTextAt("AB", Matrix4::Identity());
    EXPECT_EQ(font.restores, 1);
    EXPECT_EQ(backend.m_nPipelinesApplied, 1);
    ASSERT_EQ(backend.m_Draws.size(), 1u);
    EXPECT_EQ(backend.m_Draws[0].indexCount, 12u);
    // "AB" measures 16 x 24, centred on (320, 240): pen (312, 228); 'A' 2 lower.
    ExpectSize({backend.m_Ring[0].position[0], backend.m_Ring[0].position[1]}, 312, 230);
    EXPECT_FLOAT_EQ(backend.m_Ring[0].colour[3], 1.0f);
    // The batch draws in pixels of the viewport: its transform maps the viewport to clip space.
    const Float3 topLeft = mlmath::TransformPoint({0, 0, 0}, backend.m_LastTransform);
    const Float3 bottomRight = mlmath::TransformPoint({640, 480, 0}, backend.m_LastTransform);
    ExpectSize({topLeft.x, topLeft.y}, -1, 1);
    ExpectSize({bottomRight.x, bottomRight.y}, 1, -1);

    // An empty text draws nothing but still runs the batch and restores states.
    backend.ClearRecord();
    font.DrawTextAt("", Matrix4::Identity());
    EXPECT_TRUE(backend.m_Draws.empty());
    EXPECT_EQ(font.restores, 2);

    // A text the font cannot draw fails before the batch begins and leaves it usable.
    EXPECT_THROW(font.DrawTextAt("A\x80", Matrix4::Identity()), utf8util::utf8_conversion_error);
    EXPECT_THROW(font.DrawTextAt("AC", Matrix4::Identity()), std::runtime_error);
    EXPECT_EQ(font.restores, 2);
    // A failure inside the batch still restores the renderer's states, and the
    // batch is idle for the next frame.
    backend.m_nViewportCount = 0;
    EXPECT_THROW(font.DrawTextAt("A", Matrix4::Identity()), std::runtime_error);
    EXPECT_EQ(font.restores, 3);
    backend.m_nViewportCount = 1;
    backend.ClearRecord();
    font.DrawTextAt("A", Matrix4::Identity());
    EXPECT_EQ(backend.m_Draws.size(), 1u);
    // Made for an output twice as high, the same text is laid out on that output and
    // the whole drawn at half size: the authored picture made smaller.
    demo.m_nAuthoredHeight = 960;
    backend.ClearRecord();
    font.DrawTextAt("AB", Matrix4::Identity());
    ASSERT_EQ(backend.m_Maps.size(), 1u);
    const ModelVertex& first = backend.m_Ring[size_t(backend.m_Maps[0].firstSprite) * 4];
    ExpectSize({first.position[0], first.position[1]}, 632, 470);
    const Float3 authoredCorner = mlmath::TransformPoint({1280, 960, 0}, backend.m_LastTransform);
    ExpectSize({authoredCorner.x, authoredCorner.y}, 1, -1);
}

TEST(FontResource, FailedLoadsAreReportedAndLeaveTheFontEmpty)
{
    DiagCapture diag;
    CNullSpriteBackend backend;
    auto bytes = LayoutFontBytes().Build();
    bytes[7] = '!';
    CSpriteFontResource bad("bad", &backend);
    EXPECT_FALSE(bad.Load(WriteTemp("bad.spritefont", bytes)));
    EXPECT_EQ(bad.GetSpriteFont(), nullptr);
    bad.DrawTextAt("A", Matrix4::Identity()); // an empty font draws nothing and raises nothing
    ASSERT_EQ(diag.lines.size(), 1u);
    // Said in words, not as the reader's exception text.
    EXPECT_NE(diag.lines[0].find(": it is not a sprite font file"), std::string::npos) << diag.lines[0];
    EXPECT_NE(diag.lines[0].find("\"bad\""), std::string::npos) << diag.lines[0];

    CSpriteFontResource missing("missing", &backend);
    EXPECT_FALSE(missing.Load("Data\\Fonts\\NoSuchFont.spritefont"));
    CSpriteFontResource badPath("badpath", &backend);
    EXPECT_FALSE(badPath.Load("Fonts\\\xC3("));
    ASSERT_EQ(diag.lines.size(), 3u);
    EXPECT_NE(diag.lines[1].find(": the file does not exist"), std::string::npos) << diag.lines[1];
    EXPECT_NE(diag.lines[2].find("Invalid UTF-8 sequence found in input string."), std::string::npos);
}

TEST(FontResource, TextThatCannotBeDrawnIsSkippedAndReportedOncePerRenderer)
{
    CNullDemoSystem demo;
    demo.m_nWidth = 640;
    demo.m_nHeight = 480;
    DiagCapture diag;
    CNullSpriteBackend backend;
    CSpriteFontResource font("body", &backend);
    ASSERT_TRUE(font.Load(WriteTemp("skip.spritefont", LayoutFontBytes().Build())));

    GuardedTextRenderer badUtf8(&font, "greeting", "A\xE9"); // Latin-1, not UTF-8
    GuardedTextRenderer missing(&font, "accent", "\xC3\xA9t\xC3\xA9");
    GuardedTextRenderer good(&font, "plain", "AB");
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(badUtf8.Render());
        EXPECT_TRUE(missing.Render());
        EXPECT_TRUE(good.Render());
    }
    ASSERT_EQ(diag.lines.size(), 2u);
    EXPECT_NE(diag.lines[0].find("greeting"), std::string::npos);
    EXPECT_NE(diag.lines[0].find("Invalid UTF-8 sequence found in input string."), std::string::npos);
    EXPECT_NE(diag.lines[1].find("accent"), std::string::npos);
    EXPECT_NE(diag.lines[1].find("Character not in font"), std::string::npos);
    // The good text was drawn every frame.
    EXPECT_EQ(backend.m_Draws.size(), 3u);
}
