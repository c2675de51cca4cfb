#pragma once

// Small owners for GDI objects and device contexts, so that every paint path
// gives back what it took, in the right order, however it leaves.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace ovra {

// An owned GDI object (bitmap, font, brush, pen), deleted when it goes.
// Release it from every device context before the owner goes out of scope:
// declare the owner before the SelectGuard that selects it.
template <class T>
class GdiHandle {
public:
    explicit GdiHandle(T handle = nullptr) : m_hObject(handle) {}
    ~GdiHandle()
    {
        if (m_hObject)
            DeleteObject(m_hObject);
    }
    GdiHandle(const GdiHandle&) = delete;
    GdiHandle& operator=(const GdiHandle&) = delete;

    T Get() const { return m_hObject; }
    explicit operator bool() const { return m_hObject != nullptr; }

private:
    T m_hObject;
};

using GdiBitmap = GdiHandle<HBITMAP>;
using GdiFont = GdiHandle<HFONT>;
using GdiBrush = GdiHandle<HBRUSH>;
using GdiPen = GdiHandle<HPEN>;

// Selects an object into a device context for a scope and puts the one it
// replaced back at the end. A null object selects nothing.
class SelectGuard {
public:
    SelectGuard(HDC hdc, HGDIOBJ object)
        : m_hDC(hdc), m_hPrevious(object ? SelectObject(hdc, object) : nullptr)
    {
    }
    ~SelectGuard()
    {
        if (m_hPrevious)
            SelectObject(m_hDC, m_hPrevious);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};

// A memory device context compatible with another one. With a size it also
// owns a compatible bitmap of that size, selected for its whole life: the
// off-screen surface a window composes its picture on.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible) : m_hDC(CreateCompatibleDC(compatible)), m_hBitmap(nullptr), m_hPrevious(nullptr) {}
    MemoryDC(HDC compatible, int width, int height)
        : m_hDC(CreateCompatibleDC(compatible)), m_hBitmap(CreateCompatibleBitmap(compatible, width, height)),
          m_hPrevious(nullptr)
    {
        if (m_hDC && m_hBitmap)
            m_hPrevious = SelectObject(m_hDC, m_hBitmap);
    }
    ~MemoryDC()
    {
        if (m_hPrevious)
            SelectObject(m_hDC, m_hPrevious);
        if (m_hDC)
            DeleteDC(m_hDC);
        if (m_hBitmap)
            DeleteObject(m_hBitmap);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HDC m_hDC;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hPrevious;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hWnd(hwnd), m_ps() { m_hDC = BeginPaint(hwnd, &m_ps); }
    ~PaintDC() { EndPaint(m_hWnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC Get() const { return m_hDC; }
    const RECT& Dirty() const { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
    HDC m_hDC;
};

// A window's client-area device context, for measuring (GetDC / ReleaseDC).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(GetDC(hwnd)) {}
    ~WindowDC()
    {
        if (m_hDC)
            ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The program's fonts: a face at a point size for the given device's
// vertical resolution, swiss family, everything else default.
inline HFONT CreatePointFont(HDC hdc, int points, int weight, const char* face)
{
    return CreateFontA(-MulDiv(points, GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face);
}

// Draws a text of the program's code page (length bytes, -1 to its end) as
// DrawTextW does. GDI's byte-string functions read bytes in the system's code
// page, not in a code page the program's manifest chose (UTF-8); only the
// wide ones draw the same text on every Windows.
inline int DrawCodePageText(HDC hdc, const char* text, int length, RECT* box, UINT format)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (units <= 0)
        return 0;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], units);
    // Without a length the terminator was converted too.
    const int drawn = length < 0 ? units - 1 : units;
    return DrawTextW(hdc, wide.c_str(), drawn, box, format);
}

// Whether a control draws its focus mark now: it has the focus, and the
// system's rule for its window shows focus marks (hidden until the keyboard
// is used, unless the user asked to see them always).
inline bool ShowsFocus(HWND control)
{
    return GetFocus() == control && !(SendMessageA(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

// Appends the 16 x 16 image of an icon resource to an image list, which
// keeps its own copy; a missing resource adds nothing.
inline void AddSmallIcon(HIMAGELIST list, HINSTANCE instance, int id)
{
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    if (!icon)
        return;
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
}

} // namespace ovra
