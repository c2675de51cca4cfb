// Drawing of the record cards: one off-screen bitmap of the client size,
// only the rows that show through it.
#include "ui/ovraResultView.h"

#include "ui/ovraCardText.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

#include <algorithm>
#include <string>

namespace ovra {

namespace {

RECT MovedTo(const RECT& box, const RECT& row)
{
    return RECT{box.left + row.left, box.top + row.top, box.right + row.left, box.bottom + row.top};
}

int TextWidth(HDC hdc, const std::wstring& text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Draws one labelled detail line, its text shortened with a mark to what
// fits beside the label: a key path in its middle, any other text at its end.
void DrawDetail(HDC hdc, const wchar_t* label, const std::string& text, RECT box, bool path)
{
    const auto measure = [hdc](const std::wstring& shown) { return TextWidth(hdc, shown); };
    const int room = box.right - box.left - TextWidth(hdc, label);
    const std::wstring whole = CardText::Wide(text);
    const std::wstring line =
        label + (path ? CardText::FitPath(whole, room, measure) : CardText::FitEnd(whole, room, measure));
    DrawTextW(hdc, line.c_str(), static_cast<int>(line.size()), &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// The tick box drawn in the palette's colours, for the looks that do not
// show the light look's images: a square, and in it a tick when ticked.
void DrawTickBox(HDC hdc, const RECT& box, bool ticked)
{
    const Palette& palette = Palette::Current();
    GdiPen pen(CreatePen(PS_SOLID, 1, palette.Colour(Palette::kTickMark)));
    SelectGuard selectedPen(hdc, pen.Get());
    SelectGuard selectedBrush(hdc, palette.Brush(Palette::kCardBack));
    Rectangle(hdc, box.left + 1, box.top + 1, box.right - 1, box.bottom - 1);
    if (!ticked)
        return;
    GdiPen tick(CreatePen(PS_SOLID, 2, palette.Colour(Palette::kTickMark)));
    SelectGuard selectedTick(hdc, tick.Get());
    const POINT mark[] = {{box.left + 4, box.top + 8}, {box.left + 7, box.top + 11}, {box.left + 12, box.top + 5}};
    Polyline(hdc, mark, 3);
}

} // namespace

void ResultView::OnPaint()
{
    PaintDC paint(m_hWndView);
    RECT client;
    GetClientRect(m_hWndView, &client);
    MemoryDC memory(paint.Get(), client.right, client.bottom);
    HDC hdc = memory.Get();

    const Palette& palette = Palette::Current();
    FillRect(hdc, &client, palette.Brush(Palette::kCardsBack));

    // Rows are drawn at their document coordinates.
    SetViewportOrgEx(hdc, 0, -m_nScrollPos, nullptr);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, palette.Colour(Palette::kPageText));

    GdiFont normal(CreatePointFont(hdc, 7, FW_NORMAL, "Tahoma"));
    GdiFont bold(CreatePointFont(hdc, 8, FW_BOLD, "Tahoma"));
    GdiPen outline(CreatePen(PS_SOLID, 1, palette.Colour(Palette::kCardOutline)));
    {
        SelectGuard font(hdc, normal.Get());
        SelectGuard pen(hdc, outline.Get());
        SelectGuard brush(hdc, palette.Brush(Palette::kCardBack));

        // Only the rows under the client area can leave a pixel on the
        // bitmap; all the others are passed over without a look.
        const int count = static_cast<int>(m_records.size());
        const int first = std::max(0, m_nScrollPos / kRowHeight);
        const int end = std::min(count, static_cast<int>((m_nScrollPos + client.bottom + kRowHeight - 1) / kRowHeight));
        for (int i = first; i < end; ++i) {
            const RECT& row = m_records[i].rcBounds;
            const JobResult& record = *m_records[i].pRecord;

            RoundRect(hdc, row.left + 3, row.top + 1, row.right - 3, row.bottom - 1, 3, 3);
            if (palette.Drawn())
                DrawTickBox(hdc, MovedTo(checkBounds, row), record.bSelected);
            else
                ImageList_Draw(m_hImageList, record.bSelected ? 1 : 0, hdc, row.left + checkBounds.left,
                               row.top + checkBounds.top, ILD_NORMAL);

            SetTextColor(hdc, palette.Colour(Palette::kProblemText));
            SelectObject(hdc, bold.Get());
            RECT desc = MovedTo(descBox, row);
            DrawCodePageText(hdc, record.sProblem.c_str(), -1, &desc, DT_SINGLELINE | DT_NOPREFIX);
            if (m_records[i].pszNote)
                DrawCodePageText(hdc, m_records[i].pszNote, -1, &desc, DT_SINGLELINE | DT_NOPREFIX | DT_RIGHT);

            SetTextColor(hdc, palette.Colour(Palette::kDetailText));
            SelectObject(hdc, normal.Get());
            DrawDetail(hdc, L"Section: ", record.sSection, MovedTo(sectionBox, row), true);
            DrawDetail(hdc, L"Value: ", record.sValue, MovedTo(valueBox, row), false);
        }
        // Around the whole card, outside its outline.
        if (m_nFocusRow >= first && m_nFocusRow < end && ShowsFocus(m_hWndView))
            DrawFocusRect(hdc, &m_records[static_cast<size_t>(m_nFocusRow)].rcBounds);
    }
    SetViewportOrgEx(hdc, 0, 0, nullptr);
    BitBlt(paint.Get(), 0, 0, client.right, client.bottom, hdc, 0, 0, SRCCOPY);
}

} // namespace ovra
