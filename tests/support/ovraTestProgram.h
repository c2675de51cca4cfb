#pragma once

// Starts the real OvraHivemend.exe (built one folder above the tests) in the
// test prefix and finds its windows from outside, as another program would.
#include <windows.h>

#include <string>

namespace ovratest {

std::string ProgramPath();

class StartedProgram {
public:
    StartedProgram() = default;
    ~StartedProgram(); // ends the program by force only if a test left it running
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Start();
    // Waits for the visible main window; null on time-out.
    HWND WaitMainWindow(DWORD timeoutMs = 60000);
    // A footer button by its left edge in the main window: 293, 413 or 571.
    HWND FooterButton(int left) const;
    // Presses and releases the mouse over a control of the program.
    void Click(HWND control) const;
    // Waits for the process to end; false on time-out.
    bool WaitExit(DWORD timeoutMs, DWORD& exitCode);

    HWND main = nullptr;
    PROCESS_INFORMATION pi = {};
};

} // namespace ovratest
