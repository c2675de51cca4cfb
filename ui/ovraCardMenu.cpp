#include "ui/ovraCardMenu.h"

#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

namespace ovra {

namespace {

// The owner-drawn items' data, told apart from other menus' items.
const ULONG_PTR kItemTag = 0x4F76726D; // "Ovrm"
const int kPadX = 22;
const int kPadY = 6;

// Owns the menu made for one showing.
class PopupMenu {
public:
    PopupMenu() : m_hMenu(CreatePopupMenu()) {}
    ~PopupMenu()
    {
        if (m_hMenu)
            DestroyMenu(m_hMenu);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Get() const { return m_hMenu; }

private:
    HMENU m_hMenu;
};

HFONT MenuFont()
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

const wchar_t* ItemText(ULONG_PTR id)
{
    return id >= 1 && id <= 4 ? CardMenu::kItems[id - 1] : nullptr;
}

} // namespace

const wchar_t* const CardMenu::kItems[4] = {L"Open in Registry Editor", L"Copy", L"Tick all in this section",
                                            L"Untick all in this section"};

CardMenu::Command CardMenu::Choose(HWND owner, POINT screen)
{
    PopupMenu menu;
    if (!menu.Get())
        return kNone;
    const bool drawn = Palette::Current().GetLook() == Palette::kDark;
    for (UINT id = 1; id <= 4; ++id) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_DATA;
        item.fType = drawn ? MFT_OWNERDRAW : MFT_STRING;
        item.wID = id;
        item.dwItemData = kItemTag;
        // Kept beside an owner drawing too, for screen readers.
        item.dwTypeData = const_cast<wchar_t*>(kItems[id - 1]);
        InsertMenuItemW(menu.Get(), id - 1, TRUE, &item);
    }
    if (drawn) {
        MENUINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIM_BACKGROUND;
        info.hbrBack = Palette::Current().Brush(Palette::kPageBack);
        SetMenuInfo(menu.Get(), &info);
    }
    const UINT flags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON;
    return static_cast<Command>(TrackPopupMenu(menu.Get(), flags, screen.x, screen.y, 0, owner, nullptr));
}

bool CardMenu::Measure(HWND owner, MEASUREITEMSTRUCT& item)
{
    const wchar_t* text = ItemText(item.itemID);
    if (item.CtlType != ODT_MENU || item.itemData != kItemTag || !text)
        return false;
    WindowDC screen(owner);
    GdiFont font(MenuFont());
    SelectGuard selected(screen.Get(), font.Get());
    SIZE size = {0, 0};
    GetTextExtentPoint32W(screen.Get(), text, static_cast<int>(wcslen(text)), &size);
    item.itemWidth = static_cast<UINT>(size.cx + 2 * kPadX);
    item.itemHeight = static_cast<UINT>(size.cy + kPadY);
    return true;
}

bool CardMenu::Draw(const DRAWITEMSTRUCT& item)
{
    const wchar_t* text = ItemText(item.itemID);
    if (item.CtlType != ODT_MENU || item.itemData != kItemTag || !text)
        return false;
    const Palette& palette = Palette::Current();
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    RECT box = item.rcItem;
    FillRect(item.hDC, &box, palette.Brush(selected ? Palette::kSelectedBack : Palette::kPageBack));
    GdiFont font(MenuFont());
    SelectGuard chosen(item.hDC, font.Get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, palette.Colour(selected ? Palette::kSelectedText : Palette::kPageText));
    box.left += kPadX;
    DrawTextW(item.hDC, text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    return true;
}

} // namespace ovra
