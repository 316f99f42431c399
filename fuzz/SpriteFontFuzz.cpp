// Sprite font files as a font resource loads them, then a text drawn with the
// font on the null sprite back end (conversion, layout, batching, the ring).
// The input is the font file, then the text, then the text's length in two
// bytes (little-endian); a font file ignores bytes after its sheet anyway.
#include "FuzzTarget.h"

#include "app/Diagnostics.h"
#include "assets/sprite/NullSpriteBackend.h"
#include "assets/sprite/SpriteFontResource.h"
#include "unit/SpriteFontBytes.h"

namespace {
std::string WithText(const std::vector<uint8_t>& font, const std::string& text)
{
    std::string input(font.begin(), font.end());
    input += text;
    input.push_back(static_cast<char>(text.size() & 0xFF));
    input.push_back(static_cast<char>(text.size() >> 8));
    return input;
}
} // namespace

const char* const kFuzzReproPatterns[] = {"*/*.spritefont", nullptr};

std::vector<FuzzSeed> FuzzSeeds()
{
    SpriteFontBytes layout = LayoutFontBytes();
    SpriteFontBytes withDefault = layout;
    withDefault.defaultCharacter = '?';
    SpriteFontBytes bc1 = layout;
    bc1.format = 71; // BC1_UNORM: 8 bytes per 4x4 block
    bc1.rowPitch = 16 * 8;
    bc1.rowCount = 8;
    return {
        {"layout", WithText(layout.Build(), "AB x\nA\xC2\xA0" "B")},
        {"default", WithText(withDefault.Build(), "A\xC3\xA9?\r\nB" + std::string(3000, 'A'))},
        {"bc1", WithText(bc1.Build(), "BAx")},
        {"missing", WithText(layout.Build(), "\xF0\x9F\x98\x80")},
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t textLength = 0;
    if (size >= 2) {
        textLength = std::min<size_t>(size_t(data[size - 2]) | size_t(data[size - 1]) << 8, size - 2);
        size -= 2;
    }
    const std::string text(reinterpret_cast<const char*>(data) + size - textLength, textLength);
    fuzz::WriteScratch("font.spritefont", std::string_view(reinterpret_cast<const char*>(data), size));

    diag::SetEnabled(true);
    diag::SetSink([](const std::string&) {});
    DirectX::CNullSpriteBackend backend;
    backend.m_bRecordDraws = false;
    CSpriteFontResource font("f", &backend);
    if (font.Load("font.spritefont")) {
        font.CheckText(text);
        for (float x : {0.0f, 0.5f, -3.0e38f}) {
            Matrix4 world = Matrix4::Identity();
            world.m[3][0] = x;
            world.m[3][1] = -x;
            try {
                font.DrawTextAt(text, world);
            } catch (const std::exception&) {
                // What a text renderer skips for the frame (bad UTF-8, a missing character).
            }
        }
    }
    diag::SetSink({});
    diag::SetEnabled(false);
    return 0;
}
