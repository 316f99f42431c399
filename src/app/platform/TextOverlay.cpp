// The author's overlay on the window's framebuffer.
#include "app/platform/TextOverlay.h"

#include <algorithm>
#include <epoxy/gl.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wconversion"
#include <stb_easy_font.h>
#pragma GCC diagnostic pop

namespace {
constexpr int kScale = 2;
constexpr int kLineHeight = 12;

struct Vertex {
    float x, y, z;
    unsigned char colour[4];
};

void Block(int x0, int y0, int x1, int y1, int height, float grey)
{
    glScissor(x0, height - y1, std::max(0, x1 - x0), std::max(0, y1 - y0));
    glClearColor(grey, grey, grey, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}
} // namespace

void CTextOverlay::Draw(const std::vector<std::string>& lines, int width, int height)
{
    if (lines.empty() || width <= 0 || height <= 0)
        return;
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_SCISSOR_TEST);
    int textWidth = 0;
    for (const std::string& line : lines)
        textWidth = std::max(textWidth, stb_easy_font_width(const_cast<char*>(line.c_str())));
    Block(0, 0, (textWidth + 8) * kScale, (static_cast<int>(lines.size()) * kLineHeight + 6) * kScale, height, 0.1f);
    static Vertex vertices[4 * 1000];
    for (size_t i = 0; i < lines.size(); ++i) {
        unsigned char white[4] = {255, 255, 255, 255};
        const int quads = stb_easy_font_print(4.0f, 4.0f + static_cast<float>(i * kLineHeight),
                                              const_cast<char*>(lines[i].c_str()), white, vertices,
                                              static_cast<int>(sizeof vertices));
        for (int q = 0; q < quads; ++q) {
            const Vertex& a = vertices[q * 4];
            const Vertex& c = vertices[q * 4 + 2];
            Block(static_cast<int>(a.x) * kScale, static_cast<int>(a.y) * kScale, static_cast<int>(c.x) * kScale,
                  static_cast<int>(c.y) * kScale, height, 1.0f);
        }
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
}
