#include "app/ovraShell.h"

#include <cstdio>

namespace ovra {

HMODULE Shell::Load()
{
    // Loaded once and kept: the shell may go on working on its own threads
    // after ShellExecuteA returns.
    static HMODULE s_hShell = nullptr;
    if (s_hShell)
        return s_hShell;
    // From the system folder by full path. What shell32 imports in turn is
    // looked up the way WinMain restricted the search to (system folder only).
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof(system));
    if (length == 0 || length >= sizeof(system))
        return nullptr;
    char path[MAX_PATH + 16];
    const int written = std::snprintf(path, sizeof(path), "%s\\shell32.dll", system);
    if (written < 0 || static_cast<size_t>(written) >= sizeof(path))
        return nullptr;
    s_hShell = LoadLibraryA(path);
    return s_hShell;
}

bool Shell::Execute(HWND owner, const char* verb, const char* file)
{
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const HMODULE shell = Load();
    if (!shell)
        return false;
    const FARPROC proc = GetProcAddress(shell, "ShellExecuteA");
    if (!proc)
        return false;
    // Through the generic function pointer type: casting FARPROC directly
    // between unrelated function types draws a warning.
    const auto execute = reinterpret_cast<ShellExecuteFn>(reinterpret_cast<void (*)()>(proc));
    // Above 32 means success.
    return reinterpret_cast<INT_PTR>(execute(owner, verb, file, nullptr, nullptr, SW_SHOW)) > 32;
}

} // namespace ovra
