#include "ui/ovraClipboard.h"

#include <cstring>

namespace ovra {

namespace {

// Holds the clipboard open for a scope.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : m_bOpen(OpenClipboard(owner) != 0) {}
    ~OpenClipboardScope()
    {
        if (m_bOpen)
            CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool IsOpen() const { return m_bOpen; }

private:
    bool m_bOpen;
};

} // namespace

bool Clipboard::PutText(HWND owner, const std::wstring& text)
{
    OpenClipboardScope clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard())
        return false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    void* data = GlobalLock(memory);
    if (!data) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(data, text.c_str(), bytes);
    GlobalUnlock(memory);
    // Once it is the clipboard's, the clipboard frees it.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

} // namespace ovra
