#pragma once

// Starts the real program (built one folder above the tests) in the test
// prefix and finds its windows from outside, as another program would.
#include <windows.h>

#include <string>

namespace ovratest {

// The program built from the same sources as this test:
// "OvraHivemend.exe" for x86, "OvraHivemend64.exe" for x64.
const char* ProgramName();
std::string ProgramPath();

class StartedProgram {
public:
    StartedProgram() = default;
    ~StartedProgram(); // ends the program by force only if a test left it running
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // Starts the program (by default the built one) with the given current
    // folder (by default the test's own).
    bool Start(const std::string& program = ProgramPath(), const char* currentFolder = nullptr);
    // Waits for the visible main window; null on time-out.
    HWND WaitMainWindow(DWORD timeoutMs = 60000);
    // A footer button by its left edge in the main window: 293, 413 or 571.
    HWND FooterButton(int left) const;
    // Presses and releases the mouse over a control of the program.
    void Click(HWND control) const;
    // Waits for a message box of the program; null on time-out. Its caption
    // and text are read from the real dialog.
    HWND WaitMessageBox(std::string& caption, std::string& text, DWORD timeoutMs = 60000) const;
    // Presses the message box button with this text ("&Yes", "&No", "OK").
    static bool Answer(HWND box, const char* button);
    // Waits for the process to end; false on time-out.
    bool WaitExit(DWORD timeoutMs, DWORD& exitCode);

    HWND main = nullptr;
    PROCESS_INFORMATION pi = {};
};

} // namespace ovratest
