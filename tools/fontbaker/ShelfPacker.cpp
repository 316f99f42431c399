// Shelf packing.
#include "ShelfPacker.h"

bool ShelfPacker::Place(uint32_t w, uint32_t h, uint32_t& x, uint32_t& y)
{
    if (uint64_t(w) + 2ull * m_nPadding > m_nWidth)
        return false;
    if (uint64_t(m_nX) + w + m_nPadding > m_nWidth) {
        m_nY += m_nShelfHeight + m_nPadding;
        m_nX = m_nPadding;
        m_nShelfHeight = 0;
    }
    x = m_nX;
    y = m_nY;
    m_nX += w + m_nPadding;
    if (h > m_nShelfHeight)
        m_nShelfHeight = h;
    return true;
}
