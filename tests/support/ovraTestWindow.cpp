#include "ovraTestWindow.h"

#include "platform/ovraInstance.h"

namespace ovratest {

namespace {
const char kClass[] = "ovra_test_command_window";
}

CommandWindow::CommandWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CommandWindow::Proc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    m_hWnd = CreateWindowExA(0, kClass, "test", WS_OVERLAPPED | WS_CLIPCHILDREN, 0, 0, 800, 600, nullptr, nullptr,
                             g_hInstance, this);
}

CommandWindow::~CommandWindow()
{
    DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CommandWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<CommandWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && self) {
        self->commands.push_back(LOWORD(wParam));
        if (self->onCommand)
            self->onCommand(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

} // namespace ovratest
