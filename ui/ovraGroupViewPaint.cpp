// Drawing of the section list through one off-screen bitmap.
#include "ui/ovraGroupView.h"

#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

namespace ovra {

namespace {

void DrawEntry(HDC hdc, const GroupView::GroupRef& entry, const char* text)
{
    const RECT& r = entry.rcBounds;
    if (entry.hIcon)
        DrawIconEx(hdc, r.left + 8, r.top + 8, entry.hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    RECT box = {r.left + 32, r.top, r.right, r.bottom};
    DrawCodePageText(hdc, text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

} // namespace

void GroupView::OnPaint()
{
    PaintDC paint(m_hWndView);
    RECT client;
    GetClientRect(m_hWndView, &client);
    MemoryDC memory(paint.Get(), client.right, client.bottom);
    HDC hdc = memory.Get();

    const Palette& palette = Palette::Current();
    FillRect(hdc, &client, palette.Brush(Palette::kPanelBack));

    const int count = static_cast<int>(m_groups.size());
    if (m_nSelected >= 0 && m_nSelected < count) {
        GdiPen outline(CreatePen(PS_SOLID, 1, palette.Colour(Palette::kSelectedOutline)));
        SelectGuard brush(hdc, palette.Brush(Palette::kSelectedBack));
        SelectGuard pen(hdc, outline.Get());
        const RECT& r = m_groups[m_nSelected].rcBounds;
        Rectangle(hdc, r.left, r.top, r.right, r.bottom);
    }

    GdiFont bold(CreatePointFont(hdc, 9, FW_BOLD, "Tahoma"));
    GdiFont normal(CreatePointFont(hdc, 7, FW_NORMAL, "Tahoma"));
    SetBkMode(hdc, TRANSPARENT);
    if (count > 0) {
        // The selected entry's text is drawn on the selection's colour.
        SelectGuard font(hdc, bold.Get());
        SetTextColor(hdc, palette.Colour(m_nSelected == 0 ? Palette::kSelectedAccent : Palette::kAccentText));
        DrawEntry(hdc, m_groups[0], EntryText(0).c_str());

        SelectObject(hdc, normal.Get());
        for (int i = 1; i < count; ++i) {
            SetTextColor(hdc, palette.Colour(m_nSelected == i ? Palette::kSelectedText : Palette::kPanelText));
            DrawEntry(hdc, m_groups[i], EntryText(i).c_str());
        }
    }
    if (m_nSelected >= 0 && m_nSelected < count && ShowsFocus(m_hWndView)) {
        // Inside the selection box, clear of its outline.
        RECT mark = m_groups[m_nSelected].rcBounds;
        InflateRect(&mark, -2, -2);
        DrawFocusRect(hdc, &mark);
    }
    BitBlt(paint.Get(), 0, 0, client.right, client.bottom, hdc, 0, 0, SRCCOPY);
}

} // namespace ovra
