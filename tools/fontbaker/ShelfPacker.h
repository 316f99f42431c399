// Packs rectangles into rows ("shelves") of a sheet of fixed width: each
// rectangle goes right of the previous one on the current shelf, or starts a
// new shelf below the tallest rectangle of the current one. Fed tallest first
// it wastes little. It does not choose the sheet width.
#pragma once
#include <cstdint>

class ShelfPacker {
public:
    // padding: empty texels kept between rectangles and around the sheet's edge.
    ShelfPacker(uint32_t width, uint32_t padding) : m_nWidth(width), m_nPadding(padding), m_nX(padding), m_nY(padding) {}

    // Where a w x h rectangle goes; false when it is wider than the sheet allows.
    bool Place(uint32_t w, uint32_t h, uint32_t& x, uint32_t& y);

    // The sheet height that holds everything placed so far.
    uint32_t Height() const { return m_nY + m_nShelfHeight + m_nPadding; }

private:
    uint32_t m_nWidth;
    uint32_t m_nPadding;
    uint32_t m_nX;
    uint32_t m_nY;
    uint32_t m_nShelfHeight = 0;
};
