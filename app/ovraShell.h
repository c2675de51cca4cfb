#pragma once

#include <windows.h>

namespace ovra {

// The shell, loaded from the system folder on first use. The program does not
// import shell32 at start: its own imports (shlwapi, shcore, ...) would then be
// looked up before WinMain can restrict where DLLs come from, and a DLL of such
// a name dropped beside the program could be loaded.
class Shell {
public:
    // ShellExecuteA; false when the shell cannot be loaded or refuses.
    static bool Execute(HWND owner, const char* verb, const char* file);
};

} // namespace ovra
