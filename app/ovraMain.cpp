// Entry point: one frame on the stack, its window, its message loop.
#include "app/ovraInstance.h"
#include "app/ovraWizardFrame.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    g_hInstance = hInstance;
    InitCommonControls(); // the progress bar and the list views
    ovra::WizardFrame frame;
    frame.Create();
    frame.Run();
    return 0;
}
