#include "ovraTestCapture.h"

#include "ovraTestWindow.h"
#include "ui/ovraGdi.h"

#include <algorithm>

namespace ovratest {

ClientPixels::ClientPixels(HWND hwnd) : m_nWidth(0), m_nHeight(0)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
    RECT client;
    GetClientRect(hwnd, &client);
    m_nWidth = client.right;
    m_nHeight = client.bottom;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_nWidth;
    info.bmiHeader.biHeight = -m_nHeight; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ovra::WindowDC screen(hwnd);
    ovra::GdiBitmap section(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ovra::MemoryDC memory(screen.Get());
    {
        ovra::SelectGuard select(memory.Get(), section.Get());
        BitBlt(memory.Get(), 0, 0, m_nWidth, m_nHeight, screen.Get(), 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        if (pixels)
            m_bits.assign(pixels, pixels + static_cast<size_t>(m_nWidth) * m_nHeight);
    }
}

COLORREF ClientPixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight || m_bits.empty())
        return CLR_INVALID;
    const uint32_t p = m_bits[static_cast<size_t>(y) * m_nWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool ClientPixels::Contains(const RECT& area, COLORREF colour) const
{
    for (int y = std::max(0, static_cast<int>(area.top)); y < std::min(m_nHeight, static_cast<int>(area.bottom)); ++y)
        for (int x = std::max(0, static_cast<int>(area.left)); x < std::min(m_nWidth, static_cast<int>(area.right)); ++x)
            if (At(x, y) == colour)
                return true;
    return false;
}

bool ClientPixels::All(const RECT& area, COLORREF colour) const
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) != colour)
                return false;
    return true;
}

bool ClientPixels::operator==(const ClientPixels& other) const
{
    return m_nWidth == other.m_nWidth && m_nHeight == other.m_nHeight && m_bits == other.m_bits;
}

} // namespace ovratest
