// The main window in the looks other than the light one, and the switch
// between looks while the program runs.
#include "app/ovraWizardFrame.h"

#include "ui/ovraControlLook.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

#include <cstring>

namespace ovra {

namespace {

const char kSettingColours[] = "ImmersiveColorSet";

void FillBand(HDC hdc, const RECT& box, Palette::Role role)
{
    FillRect(hdc, &box, Palette::Current().Brush(role));
}

BOOL CALLBACK ForwardColours(HWND child, LPARAM)
{
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

} // namespace

void WizardFrame::OnSysColorChange()
{
    // Only top-level windows hear of it; the common controls keep their own
    // copy of the system colours and must be told.
    EnumChildWindows(m_hWndWizard, &ForwardColours, 0);
    Palette::Current().Refresh();
    Repaint();
}

void WizardFrame::DrawBands(HDC surface)
{
    // The light look's header and footer are pictures; here they are a plain
    // band each, a line between band and page, and the header's help link
    // and the footer's name as text in the look's colours.
    const Palette& palette = Palette::Current();
    FillBand(surface, RECT{0, 0, kClientWidth, kHeaderHeight - 1}, Palette::kHeaderBack);
    FillBand(surface, RECT{0, kHeaderHeight - 1, kClientWidth, kHeaderHeight}, Palette::kRule);
    FillBand(surface, RECT{0, kFooterTop, kClientWidth, kClientHeight}, Palette::kFooterBack);
    FillBand(surface, RECT{0, kFooterTop, kClientWidth, kFooterTop + 1}, Palette::kRule);

    SetBkMode(surface, TRANSPARENT);
    GdiFont bold(CreatePointFont(surface, 8, FW_BOLD, "Tahoma"));
    GdiFont normal(CreatePointFont(surface, 8, FW_NORMAL, "Tahoma"));
    GdiPen pen(CreatePen(PS_SOLID, 1, palette.Colour(Palette::kLinkText)));
    {
        SelectGuard font(surface, bold.Get());
        SelectGuard outline(surface, pen.Get());
        SelectGuard inside(surface, palette.Brush(Palette::kHeaderBack));
        RECT help = kHelpArea;
        RoundRect(surface, help.left, help.top, help.right, help.bottom, 18, 18);
        SetTextColor(surface, palette.Colour(Palette::kLinkText));
        DrawCodePageText(surface, "Help", -1, &help, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    SelectGuard font(surface, normal.Get());
    SetTextColor(surface, palette.Colour(Palette::kFooterText));
    RECT name = {16, kFooterTop, 280, kClientHeight};
    DrawCodePageText(surface, "Ovra Hivemend", -1, &name, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
}

void WizardFrame::ApplyLook()
{
    ControlLook::Frame(m_hWndWizard);
    WizardPage* pages[] = {&m_welcomePage, &m_progressPage, &m_resultPage, &m_backupFilePage};
    for (WizardPage* page : pages)
        page->ApplyLook();
}

void WizardFrame::OnLookChange()
{
    // The same setting is announced for other reasons too (a new accent
    // colour, say): nothing to repaint then.
    if (Palette::Current().Refresh())
        Repaint();
}

void WizardFrame::Repaint()
{
    ApplyLook();
    // Every window of the program paints itself from the palette.
    RedrawWindow(m_hWndWizard, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool WizardFrame::OnSettingChange(WPARAM wParam, LPARAM lParam)
{
    const char* area = reinterpret_cast<const char*>(lParam);
    if (wParam == SPI_SETHIGHCONTRAST || (area && std::strcmp(area, kSettingColours) == 0)) {
        OnLookChange();
        return true;
    }
    return false;
}

} // namespace ovra
