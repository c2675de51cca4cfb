#include "ovraTestDriver.h"

#include "platform/ovraInstance.h"

#include <cstring>

namespace ovratest {

namespace {

const char kCallClass[] = "ovra_test_driver_call";
const UINT kCallMessage = WM_APP + 17;

struct FindBox {
    DWORD thread;
    HWND found;
};

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM param)
{
    auto* find = reinterpret_cast<FindBox*>(param);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd) &&
        GetWindowThreadProcessId(hwnd, nullptr) == find->thread) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM param)
{
    auto* seen = reinterpret_cast<MessageBoxSeen*>(param);
    char cls[64] = {};
    char text[1024] = {};
    GetClassNameA(child, cls, sizeof(cls));
    GetWindowTextA(child, text, sizeof(text));
    if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child)) {
        seen->buttons.push_back(text);
    } else if (lstrcmpiA(cls, "Static") == 0) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        else if (text[0])
            seen->text = text;
    }
    return TRUE;
}

} // namespace

Driver::Driver() : m_uiThread(GetCurrentThreadId())
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Driver::Proc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = kCallClass;
    RegisterClassA(&wc);
    m_hWndCall = CreateWindowExA(0, kCallClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_hInstance, nullptr);
}

Driver::~Driver()
{
    Join();
    DestroyWindow(m_hWndCall);
}

LRESULT CALLBACK Driver::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kCallMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Driver::Start(std::function<void(Driver&)> script)
{
    m_script = std::move(script);
    m_hThread = CreateThread(nullptr, 0, &Driver::ThreadProc, this, 0, nullptr);
}

void Driver::Join()
{
    if (!m_hThread)
        return;
    // The script may still be waiting for the user-interface thread.
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &m_hThread, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}

DWORD WINAPI Driver::ThreadProc(void* param)
{
    auto* self = static_cast<Driver*>(param);
    self->m_script(*self);
    return 0;
}

void Driver::OnUi(const std::function<void()>& fn)
{
    SendMessageA(m_hWndCall, kCallMessage, 0, reinterpret_cast<LPARAM>(&fn));
}

bool Driver::WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (ReadOnUi<bool>(cond))
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

void Driver::Click(HWND window, int x, int y)
{
    // The pointer goes there first: controls that track the mouse compare
    // the real cursor position with their own rectangle.
    POINT screen = {x, y};
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    // The move reaches the display and comes back as a mouse message a little
    // later; let it arrive and be handled before the press, or a control that
    // tracks the pointer would see it mid-click.
    POINT now = {};
    for (int i = 0; i < 100 && GetCursorPos(&now) && (now.x != screen.x || now.y != screen.y); ++i)
        Sleep(10);
    Sleep(30);
    OnUi([] {});
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Driver::Key(WPARAM key, HWND main)
{
    HWND target = ReadOnUi<HWND>([] { return GetFocus(); });
    if (!target)
        target = main;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

bool Driver::WaitForMessageBox(MessageBoxSeen& seen, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        FindBox find{m_uiThread, nullptr};
        EnumWindows(&FindBoxProc, reinterpret_cast<LPARAM>(&find));
        if (find.found) {
            seen = MessageBoxSeen();
            seen.hwnd = find.found;
            char caption[256] = {};
            GetWindowTextA(find.found, caption, sizeof(caption));
            seen.caption = caption;
            EnumChildWindows(find.found, &ReadChild, reinterpret_cast<LPARAM>(&seen));
            if (!seen.buttons.empty())
                return true;
        }
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

void Driver::Answer(const MessageBoxSeen& box, const char* button)
{
    HWND child = GetWindow(box.hwnd, GW_CHILD);
    for (; child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[64] = {};
        GetWindowTextA(child, text, sizeof(text));
        if (std::strcmp(text, button) == 0) {
            PostMessageA(child, BM_CLICK, 0, 0);
            break;
        }
    }
    // Wait until the box is gone so the next step sees the page behind it.
    const DWORD start = GetTickCount();
    while (IsWindow(box.hwnd) && IsWindowVisible(box.hwnd) && GetTickCount() - start < 30000)
        Sleep(10);
}

bool Driver::NoMessageBox()
{
    FindBox find{m_uiThread, nullptr};
    EnumWindows(&FindBoxProc, reinterpret_cast<LPARAM>(&find));
    return find.found == nullptr;
}

} // namespace ovratest
