#include "app/ovraShell.h"

#include "platform/ovraSystemDll.h"

namespace ovra {

bool Shell::Execute(HWND owner, const char* verb, const char* file)
{
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    // From the system folder by full path. What shell32 imports in turn is
    // looked up the way WinMain restricted the search to (system folder only).
    const auto execute = SystemDll::Function<ShellExecuteFn>("shell32.dll", "ShellExecuteA");
    if (!execute)
        return false;
    // Above 32 means success.
    return reinterpret_cast<INT_PTR>(execute(owner, verb, file, nullptr, nullptr, SW_SHOW)) > 32;
}

} // namespace ovra
