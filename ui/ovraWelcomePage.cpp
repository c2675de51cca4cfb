// The first page: the program's icon and a short introduction on white, and
// on the light-blue panel the three choices that decide what Next does.
#include "ui/ovraWelcomePage.h"

#include "platform/ovraInstance.h"
#include "ui/ovraControlLook.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

#include <initializer_list>

namespace ovra {

namespace {

const int kPanelLeft = 426;
const int kProgramIcon = 107;

const char kIntroduction[] = "You can use Ovra Hivemend to find and fix invalid registry entries which can be harmful "
                             "and slow down your computer.\n\nAny changes made to your system using Ovra Hivemend "
                             "can be restored.";
const char kPrompt[] = "To continue, select an option, and then click Next";
const char kQuestion[] = "What would you like to do?";

} // namespace

WelcomePage::WelcomePage() : m_hWndScan(nullptr), m_hWndRestore(nullptr), m_hWndManage(nullptr), m_hFont(nullptr)
{
}

bool WelcomePage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        OnCreate();
        return true;
    }
    return WizardPage::OnMessage(msg, wParam, lParam);
}

void WelcomePage::OnCreate()
{
    {
        WindowDC screen(m_hWndPage);
        m_hFont = CreatePointFont(screen.Get(), 8, FW_NORMAL, "Tahoma");
    }

    struct Choice {
        HWND* pHandle;
        const char* pszText;
        int nTop;
        DWORD nStyle;
    };
    const Choice choices[] = {
        {&m_hWndScan, "Scan the registry", 60, WS_GROUP},
        {&m_hWndRestore, "Restore registry backup", 90, 0},
        {&m_hWndManage, "Manage registry backups", 120, 0},
    };
    for (const Choice& choice : choices) {
        *choice.pHandle = CreateWindowExA(0, "BUTTON", choice.pszText,
                                          WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | choice.nStyle, 446,
                                          choice.nTop, 200, 20, m_hWndPage, nullptr, g_hInstance, nullptr);
        SendMessageA(*choice.pHandle, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
    }
    SendMessageA(m_hWndScan, BM_SETCHECK, BST_CHECKED, 0);
    ApplyLook();
}

void WelcomePage::ApplyLook()
{
    for (HWND choice : {m_hWndScan, m_hWndRestore, m_hWndManage})
        ControlLook::Themed(choice);
}

HBRUSH WelcomePage::OnCtlStaticColor(HDC hdc, HWND)
{
    // The palette keeps the brush: the radio buttons ask for it on every paint.
    const Palette& palette = Palette::Current();
    SetTextColor(hdc, palette.Colour(Palette::kPanelText));
    SetBkColor(hdc, palette.Colour(Palette::kPanelBack));
    return palette.Brush(Palette::kPanelBack);
}

void WelcomePage::OnPaint(HDC hdc)
{
    const Palette& palette = Palette::Current();
    RECT left = {0, 0, kPanelLeft, kHeight};
    FillRect(hdc, &left, palette.Brush(Palette::kPageBack));

    HICON icon = static_cast<HICON>(LoadImageA(g_hInstance, MAKEINTRESOURCEA(kProgramIcon), IMAGE_ICON, 48, 48,
                                               LR_DEFAULTCOLOR));
    if (icon) {
        DrawIconEx(hdc, 20, 20, icon, 48, 48, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
    }

    SelectGuard font(hdc, m_hFont);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, palette.Colour(Palette::kIntroText));
    RECT text = {20, 100, 406, 300};
    DrawCodePageText(hdc, kIntroduction, -1, &text, DT_WORDBREAK);
    RECT prompt = {20, 356, 406, 376};
    DrawCodePageText(hdc, kPrompt, -1, &prompt, DT_SINGLELINE);

    RECT panel = {kPanelLeft, 0, kWidth, kHeight};
    FillRect(hdc, &panel, palette.Brush(Palette::kPanelBack));
    if (palette.Drawn()) {
        // Where the two panels may share one colour, a line tells them apart.
        RECT rule = {kPanelLeft, 0, kPanelLeft + 1, kHeight};
        FillRect(hdc, &rule, palette.Brush(Palette::kRule));
    }
    InflateRect(&panel, -20, -20);
    GdiFont bold(CreatePointFont(hdc, 10, FW_BOLD, "Tahoma"));
    SelectGuard heading(hdc, bold.Get());
    // Without DT_SINGLELINE, DT_BOTTOM has no effect: the heading sits at the
    // top of the panel, above the choices.
    DrawCodePageText(hdc, kQuestion, -1, &panel, DT_WORDBREAK | DT_BOTTOM);
}

} // namespace ovra
