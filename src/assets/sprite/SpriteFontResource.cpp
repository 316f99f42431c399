// Font loading with its failures caught, and the draw of one centred text.
#include "assets/sprite/SpriteFontResource.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/FilePath.h"
#include "assets/Utf8Util.h"
#include "assets/sprite/ComException.h"
#include "render/Math.h"

#include <filesystem>
#include <new>

using namespace DirectX;

CSpriteFontResource::CSpriteFontResource(std::string name, ISpriteContext* context)
    : CFontResource(std::move(name)), m_pContext(context)
{
}

CSpriteFontResource::~CSpriteFontResource()
{
    m_pSpriteFont.reset();
    m_pSpriteBatch.reset();
}

bool CSpriteFontResource::Load(const std::string& path)
{
    if (!m_pContext)
        return false;
    m_SourcePath = path;
    try {
        // The path must be valid UTF-8, as it would have to be for a wide-character platform call.
        utf8util::utf16_from_utf8(path);
        auto font = std::make_unique<SpriteFont>(m_pContext->GetDevice(), path);
        auto batch = std::make_unique<SpriteBatch>(*m_pContext);
        m_pSpriteFont = std::move(font);
        m_pSpriteBatch = std::move(batch);
        return true;
    } catch (const std::exception& e) {
        diag::Report("font \"" + GetName() + "\" not loaded from \"" + path + "\": " + FailureInWords(e, path));
        return false;
    }
}

namespace {
// What the sprite font path raises, by its message, said for the author.
struct FailureWords {
    const char* raised;
    const char* words;
};
const FailureWords kFailureWords[] = {
    {"Not a MakeSpriteFont output binary", "it is not a sprite font file (it does not begin with \"DXTKfont\")"},
    {"End of file", "the file is cut short: it ends inside its glyph table or glyph sheet"},
    {"ReadArray", "the file claims a glyph table or glyph sheet too large to exist"},
    {"Character not in font", "its default character is not one of its glyphs"},
};

// Why the file itself could not be read whole.
std::string Unreadable(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path resolved = ResolvePath(path);
    const auto status = std::filesystem::status(resolved, ec);
    if (!std::filesystem::exists(status))
        return "the file does not exist";
    if (!std::filesystem::is_regular_file(status))
        return "it is not a regular file";
    if (std::filesystem::file_size(resolved, ec) >= 0xFFFFFFFFull)
        return "the file is 4 GiB or larger";
    return "the file cannot be read (permissions?)";
}
} // namespace

std::string CSpriteFontResource::FailureInWords(const std::exception& e, const std::string& path)
{
    if (const auto* device = dynamic_cast<const com_exception*>(&e))
        return device->get_result() == kResultInvalidArg
                   ? "its glyph sheet has a size, pixel format or row pitch that no texture can have"
                   : "the graphics device could not make its glyph sheet";
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return "out of memory";
    const std::string raised = e.what();
    if (raised == "BinaryReader")
        return Unreadable(path);
    for (const FailureWords& f : kFailureWords)
        if (raised == f.raised)
            return f.words;
    return raised; // the UTF-8 conversion's own messages are words already
}

std::string CSpriteFontResource::CheckText(const std::string& text) const
{
    if (!m_pSpriteFont)
        return {};
    try {
        m_pSpriteFont->MeasureText(utf8util::utf16_from_utf8(text));
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

bool CSpriteFontResource::Reload()
{
    if (m_SourcePath.empty())
        return false;
    // Load replaces the font only once the whole file has been read.
    return Load(m_SourcePath);
}

Vector2 CSpriteFontResource::PenPosition(Vector2 size, const Matrix4& world, float width, float height)
{
    const float tx = world.m[3][0];
    const float ty = world.m[3][1];
    return {width * 0.5f * (tx + 1.0f) - size.x * 0.5f, height * 0.5f * (ty + 1.0f) - size.y * 0.5f};
}

void CSpriteFontResource::DrawTextAt(std::string text, const Matrix4& world)
{
    if (!m_pSpriteBatch || !m_pSpriteFont)
        return;
    const std::u16string wide = utf8util::utf16_from_utf8(text);
    const Vector2 size = m_pSpriteFont->MeasureText(wide.c_str());
    const int width = g_pDemoSystem ? g_pDemoSystem->m_nWidth : 0;
    const int height = g_pDemoSystem ? g_pDemoSystem->m_nHeight : 0;
    // Laid out in pixels of the authored height, then scaled onto the output with the
    // scene: a preview at 640x360 is the 1080p picture made smaller, not 1080p text on
    // a small screen. At the authored height nothing changes.
    const int authored = g_pDemoSystem ? g_pDemoSystem->m_nAuthoredHeight : 0;
    const float scale =
        authored > 0 && height > 0 ? static_cast<float>(height) / static_cast<float>(authored) : 1.0f;
    const Vector2 pen = PenPosition(size, world, static_cast<float>(width) / scale, static_cast<float>(height) / scale);
    const Matrix4 toOutput = scale == 1.0f ? Matrix4::Identity() : mlmath::Scaling(scale, scale, 1.0f);

    m_pSpriteBatch->Begin(SpriteSortMode_Deferred, nullptr, nullptr, nullptr, nullptr, toOutput);
    try {
        m_pSpriteFont->RenderText(*m_pSpriteBatch, wide.c_str(), pen, Colour{1.0f, 1.0f, 1.0f, 1.0f});
        m_pSpriteBatch->End();
    } catch (...) {
        if (m_pSpriteBatch->IsBegun()) {
            // Only memory can fail here (the text measured fine); end the batch so
            // that it is idle again next frame.
            try {
                m_pSpriteBatch->End();
            } catch (...) {
            }
        }
        RestoreRendererStates();
        throw;
    }
    RestoreRendererStates();
}
