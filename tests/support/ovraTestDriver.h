#pragma once

// Plays the user against the real wizard: the frame runs its message loop on
// the test's main thread while a driver thread clicks buttons, reads state on
// the user-interface thread and finds and answers message boxes as a person
// would (caption, text and buttons read from the real dialog).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ovratest {

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    HICON icon = nullptr;
};

class Driver {
public:
    // Must be constructed on the user-interface thread.
    Driver();
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Runs script on a new thread; returns at once. The script's failures are
    // recorded with gtest as usual.
    void Start(std::function<void(Driver&)> script);
    // Waits for the script's thread (call after the message loop ended).
    void Join();

    // From the script thread: run fn on the user-interface thread and wait.
    void OnUi(const std::function<void()>& fn);
    template <typename T> T ReadOnUi(const std::function<T()>& fn)
    {
        T value{};
        OnUi([&] { value = fn(); });
        return value;
    }
    // Polls cond on the user-interface thread until it holds or time runs out.
    bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 60000);

    // A press and release over a window, as the mouse would deliver them. The
    // release is posted: its handler may open a modal message box.
    void Click(HWND window, int x = 10, int y = 10);
    // A key press as the system queues it: posted to the window with the
    // focus (to main when none has it), so it passes the message loop.
    void Key(WPARAM key, HWND main);
    // Waits for a message box of the user-interface thread; null on time-out.
    bool WaitForMessageBox(MessageBoxSeen& seen, DWORD timeoutMs = 60000);
    // Presses the message box button with this text ("&Yes", "&No", "OK").
    void Answer(const MessageBoxSeen& box, const char* button);
    // True when no message box is open now.
    bool NoMessageBox();

private:
    static DWORD WINAPI ThreadProc(void* param);
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    DWORD m_uiThread;
    HWND m_hWndCall;
    HANDLE m_hThread = nullptr;
    std::function<void(Driver&)> m_script;
};

} // namespace ovratest
