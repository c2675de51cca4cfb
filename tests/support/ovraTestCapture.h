#pragma once

// What a window shows: its client area as it stands on the screen after a
// repaint, copied into a 32-bit bitmap whose pixels a test can sample.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace ovratest {

class ClientPixels {
public:
    // Repaints hwnd (it must be visible) and copies its client area.
    explicit ClientPixels(HWND hwnd);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    COLORREF At(int x, int y) const;
    // Whether any pixel of the rectangle [left, right) x [top, bottom) has the colour.
    bool Contains(const RECT& area, COLORREF colour) const;
    // Whether every pixel of the rectangle has the colour.
    bool All(const RECT& area, COLORREF colour) const;
    bool operator==(const ClientPixels& other) const;

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<uint32_t> m_bits; // top-down rows, 0x00RRGGBB
};

} // namespace ovratest
