// Entry point: one frame on the stack, its window, its message loop.
#include "platform/ovraInstance.h"
#include "app/ovraWizardFrame.h"

#include <windows.h>
#include <commctrl.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// The program runs elevated, often straight from a downloads folder: no DLL
// may be taken from beside it or from the current folder. Everything it
// loads after this point comes from the system folder.
void RestrictDllSearch()
{
    // Absent before Windows 8 (and Windows 7 without its update): looked up.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (proc) {
        const auto setDefault =
            reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(proc));
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Everywhere: takes the current folder out of the search.
    SetDllDirectoryA("");
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    g_hInstance = hInstance;
    InitCommonControls(); // the progress bar and the list views
    ovra::WizardFrame frame;
    frame.Create();
    frame.Run();
    return 0;
}
