// Font loading with its failures caught, and the draw of one centred text.
#include "assets/sprite/SpriteFontResource.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/Utf8Util.h"

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
        diag::Report("font \"" + GetName() + "\" not loaded from \"" + path + "\": " + e.what());
        return false;
    }
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

std::vector<std::string> CSpriteFontResource::GetSourceFiles() const
{
    if (m_SourcePath.empty())
        return {};
    return {m_SourcePath};
}

bool CSpriteFontResource::Reload()
{
    if (m_SourcePath.empty())
        return false;
    // Load replaces the font only once the whole file has been read.
    return Load(m_SourcePath);
}

Vector2 CSpriteFontResource::PenPosition(Vector2 size, const Matrix4& world, int width, int height)
{
    const float tx = world.m[3][0];
    const float ty = world.m[3][1];
    return {static_cast<float>(width) * 0.5f * (tx + 1.0f) - size.x * 0.5f,
            static_cast<float>(height) * 0.5f * (ty + 1.0f) - size.y * 0.5f};
}

void CSpriteFontResource::DrawTextAt(std::string text, const Matrix4& world)
{
    if (!m_pSpriteBatch || !m_pSpriteFont)
        return;
    const std::u16string wide = utf8util::utf16_from_utf8(text);
    const Vector2 size = m_pSpriteFont->MeasureText(wide.c_str());
    const int width = g_pDemoSystem ? g_pDemoSystem->m_nWidth : 0;
    const int height = g_pDemoSystem ? g_pDemoSystem->m_nHeight : 0;
    const Vector2 pen = PenPosition(size, world, width, height);

    m_pSpriteBatch->Begin();
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
