#pragma once

// A real top-level window on the test's thread that records the commands it
// receives, standing where the main window stands for the engine and the
// controls; and a message pump that runs until a condition holds.
#include <windows.h>

#include <functional>
#include <vector>

namespace ovratest {

class CommandWindow {
public:
    CommandWindow();
    ~CommandWindow();
    CommandWindow(const CommandWindow&) = delete;
    CommandWindow& operator=(const CommandWindow&) = delete;

    HWND Get() const { return m_hWnd; }
    std::vector<unsigned int> commands;
    // Runs inside the WM_COMMAND handler, for handlers that act on the sender.
    std::function<void(unsigned int)> onCommand;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd;
};

// Dispatches messages until done() is true or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000);
// Dispatches whatever is queued now.
void PumpPending();

} // namespace ovratest
