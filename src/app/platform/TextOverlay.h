// CTextOverlay: lines of plain text over the window's picture, for the author
// (F1): stb_easy_font's blocky glyphs, each block a scissored clear, so no
// shader, buffer or state of the production's is touched. It is not the
// production's text, which goes through its fonts and materials.
#pragma once
#include <string>
#include <vector>

class CTextOverlay {
public:
    // Draws the lines at the top left of the window's framebuffer of this size.
    static void Draw(const std::vector<std::string>& lines, int width, int height);
};
