// The program in the high-contrast look, for screenshots on a system that
// cannot switch high contrast on (Wine answers SPI_SETHIGHCONTRAST without
// effect): sets the system colours of Windows' "High Contrast Black" theme,
// takes the high-contrast look and runs the frame as the program does. The
// tour drives it like the program itself.
#include "app/ovraWizardFrame.h"
#include "platform/ovraInstance.h"
#include "ui/ovraPalette.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    g_hInstance = hInstance;
    InitCommonControls();
    const int indexes[] = {COLOR_WINDOW,   COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                           COLOR_HOTLIGHT, COLOR_GRAYTEXT,   COLOR_BTNFACE,   COLOR_BTNTEXT};
    const COLORREF colours[] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0),
                                RGB(255, 255, 0), RGB(63, 242, 63),   RGB(0, 0, 0),      RGB(255, 255, 255)};
    SetSysColors(8, indexes, colours);
    ovra::Palette::Current().Use(ovra::Palette::kHighContrast);
    ovra::WizardFrame frame;
    frame.Create();
    frame.Run();
    return 0;
}
