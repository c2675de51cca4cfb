// The colours of the three looks and the choice between them.
#include "ui/ovraPalette.h"

#include "platform/ovraRegKey.h"

#include <cmath>
#include <initializer_list>

namespace ovra {

namespace {

// A role's colour: a fixed one, or a system colour read when the look is taken.
struct Source {
    COLORREF nFixed;
    int nSystem; // COLOR_... index, or -1 for the fixed colour
};

Source Fixed(int r, int g, int b)
{
    return Source{RGB(r, g, b), -1};
}

Source System(int index)
{
    return Source{0, index};
}

// The program's own look, exactly as it always was. A few roles follow
// system colours there too, as the pages always did.
void LightLook(Source* s)
{
    s[Palette::kPageBack] = Fixed(255, 255, 255);
    s[Palette::kPageText] = Fixed(0, 0, 0);
    s[Palette::kIntroText] = System(COLOR_BTNTEXT);
    s[Palette::kPanelBack] = Fixed(237, 242, 252);
    s[Palette::kPanelText] = Fixed(0, 0, 0);
    s[Palette::kAccentText] = Fixed(196, 0, 0);
    s[Palette::kSelectedBack] = Fixed(187, 194, 214);
    s[Palette::kSelectedText] = Fixed(0, 0, 0);
    s[Palette::kSelectedAccent] = Fixed(196, 0, 0);
    s[Palette::kSelectedOutline] = Fixed(0, 0, 0);
    s[Palette::kCardsBack] = System(COLOR_WINDOW);
    s[Palette::kCardBack] = Fixed(255, 255, 255);
    s[Palette::kCardOutline] = Fixed(238, 238, 238);
    s[Palette::kProblemText] = Fixed(0, 0, 128);
    s[Palette::kDetailText] = Fixed(128, 128, 128);
    s[Palette::kTickMark] = Fixed(0, 0, 128);
    // The bands and button faces are bitmaps in this look, which paints
    // only the title and the captions on them; the other band and face
    // roles are never painted here and merely echo the bitmaps' colours.
    s[Palette::kHeaderBack] = Fixed(24, 48, 136);
    s[Palette::kHeaderText] = Fixed(255, 255, 255);
    s[Palette::kLinkText] = Fixed(255, 255, 255);
    s[Palette::kFooterBack] = Fixed(236, 236, 236);
    s[Palette::kFooterText] = Fixed(96, 96, 96);
    s[Palette::kRule] = Fixed(200, 200, 200);
    s[Palette::kButtonBack] = Fixed(240, 240, 240);
    s[Palette::kButtonText] = Fixed(0, 0, 0);
    s[Palette::kButtonBorder] = Fixed(128, 128, 128);
    s[Palette::kPressedBack] = Fixed(24, 48, 136);
    s[Palette::kPressedText] = Fixed(255, 255, 255);
    s[Palette::kDisabledBack] = Fixed(160, 170, 190);
    s[Palette::kDisabledText] = Fixed(204, 204, 204);
    s[Palette::kBarFill] = System(COLOR_HIGHLIGHT);
    s[Palette::kBarBack] = System(COLOR_BTNFACE);
}

// Dark grey surfaces with light text; every pair of kPairs reaches at
// least 4.5:1.
void DarkLook(Source* s)
{
    s[Palette::kPageBack] = Fixed(32, 32, 32);
    s[Palette::kPageText] = Fixed(240, 240, 240);
    s[Palette::kIntroText] = Fixed(230, 230, 230);
    s[Palette::kPanelBack] = Fixed(40, 44, 54);
    s[Palette::kPanelText] = Fixed(235, 235, 235);
    s[Palette::kAccentText] = Fixed(255, 140, 130);
    s[Palette::kSelectedBack] = Fixed(62, 74, 104);
    s[Palette::kSelectedText] = Fixed(255, 255, 255);
    s[Palette::kSelectedAccent] = Fixed(255, 185, 175);
    s[Palette::kSelectedOutline] = Fixed(150, 165, 205);
    s[Palette::kCardsBack] = Fixed(32, 32, 32);
    s[Palette::kCardBack] = Fixed(44, 44, 44);
    s[Palette::kCardOutline] = Fixed(80, 80, 80);
    s[Palette::kProblemText] = Fixed(150, 190, 255);
    s[Palette::kDetailText] = Fixed(175, 175, 175);
    s[Palette::kTickMark] = Fixed(150, 190, 255);
    s[Palette::kHeaderBack] = Fixed(22, 34, 70);
    s[Palette::kHeaderText] = Fixed(255, 255, 255);
    s[Palette::kLinkText] = Fixed(150, 190, 255);
    s[Palette::kFooterBack] = Fixed(38, 38, 38);
    s[Palette::kFooterText] = Fixed(190, 190, 190);
    s[Palette::kRule] = Fixed(90, 90, 90);
    s[Palette::kButtonBack] = Fixed(58, 58, 58);
    s[Palette::kButtonText] = Fixed(240, 240, 240);
    s[Palette::kButtonBorder] = Fixed(130, 130, 130);
    s[Palette::kPressedBack] = Fixed(40, 80, 160);
    s[Palette::kPressedText] = Fixed(255, 255, 255);
    s[Palette::kDisabledBack] = Fixed(44, 44, 44);
    s[Palette::kDisabledText] = Fixed(150, 150, 150);
    s[Palette::kBarFill] = Fixed(90, 140, 230);
    s[Palette::kBarBack] = Fixed(50, 50, 50);
}

// The user's high-contrast colours, each role on the system colour that
// Windows pairs it with.
void HighContrastLook(Source* s)
{
    for (int role = 0; role < Palette::kRoleCount; ++role)
        s[role] = System(COLOR_WINDOWTEXT);
    for (Palette::Role role : {Palette::kPageBack, Palette::kPanelBack, Palette::kCardsBack, Palette::kCardBack,
                               Palette::kHeaderBack, Palette::kBarBack})
        s[role] = System(COLOR_WINDOW);
    for (Palette::Role role : {Palette::kFooterBack, Palette::kButtonBack, Palette::kDisabledBack})
        s[role] = System(COLOR_BTNFACE);
    for (Palette::Role role : {Palette::kFooterText, Palette::kButtonText, Palette::kButtonBorder})
        s[role] = System(COLOR_BTNTEXT);
    for (Palette::Role role : {Palette::kSelectedBack, Palette::kPressedBack, Palette::kBarFill})
        s[role] = System(COLOR_HIGHLIGHT);
    for (Palette::Role role : {Palette::kSelectedText, Palette::kSelectedAccent, Palette::kSelectedOutline,
                               Palette::kPressedText})
        s[role] = System(COLOR_HIGHLIGHTTEXT);
    s[Palette::kLinkText] = System(COLOR_HOTLIGHT);
    s[Palette::kDisabledText] = System(COLOR_GRAYTEXT);
}

double Linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour)
{
    return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) + 0.0722 * Linear(GetBValue(colour));
}

const char kPersonalize[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

} // namespace

const Palette::Pair Palette::kPairs[] = {
    {kPageText, kPageBack, "page text"},
    {kIntroText, kPageBack, "welcome introduction"},
    {kIntroText, kPanelBack, "welcome question"},
    {kPanelText, kPanelBack, "choices and sections"},
    {kAccentText, kPanelBack, "All sections"},
    {kSelectedText, kSelectedBack, "selected section"},
    {kSelectedAccent, kSelectedBack, "All sections, selected"},
    {kProblemText, kCardBack, "card problem"},
    {kDetailText, kCardBack, "card details"},
    {kTickMark, kCardBack, "tick box"},
    {kHeaderText, kHeaderBack, "page title"},
    {kLinkText, kHeaderBack, "help link"},
    {kFooterText, kFooterBack, "footer name"},
    {kButtonText, kButtonBack, "button"},
    {kPressedText, kPressedBack, "pressed button"},
    {kDisabledText, kDisabledBack, "disabled button"},
};
const int Palette::kPairCount = static_cast<int>(sizeof(kPairs) / sizeof(kPairs[0]));

Palette::Look Palette::Choose(bool highContrastOn, bool lightValueFound, DWORD appsUseLightTheme)
{
    if (highContrastOn)
        return kHighContrast;
    if (lightValueFound && appsUseLightTheme == 0)
        return kDark;
    return kLight;
}

Palette::Look Palette::Detect()
{
    HIGHCONTRASTA contrast = {};
    contrast.cbSize = sizeof(contrast);
    const bool highContrast = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                              (contrast.dwFlags & HCF_HIGHCONTRASTON);
    RegKey key;
    DWORD value = 1;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const bool found = key.Open(HKEY_CURRENT_USER, kPersonalize, KEY_QUERY_VALUE) &&
                       RegQueryValueExA(key.Get(), "AppsUseLightTheme", nullptr, &type,
                                        reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                       type == REG_DWORD && size == sizeof(value);
    return Choose(highContrast, found, value);
}

Palette& Palette::Current()
{
    static Palette palette;
    return palette;
}

Palette::Palette() : m_nLook(kLight), m_colours(), m_hBrushes()
{
    Use(Detect());
}

Palette::~Palette()
{
    FreeBrushes();
}

void Palette::FreeBrushes()
{
    for (HBRUSH& brush : m_hBrushes) {
        if (brush)
            DeleteObject(brush);
        brush = nullptr;
    }
}

void Palette::Use(Look look)
{
    Source sources[kRoleCount] = {};
    if (look == kDark)
        DarkLook(sources);
    else if (look == kHighContrast)
        HighContrastLook(sources);
    else
        LightLook(sources);
    FreeBrushes();
    m_nLook = look;
    for (int role = 0; role < kRoleCount; ++role)
        m_colours[role] = sources[role].nSystem < 0 ? sources[role].nFixed : GetSysColor(sources[role].nSystem);
}

bool Palette::Refresh()
{
    const Look before = m_nLook;
    COLORREF colours[kRoleCount];
    for (int role = 0; role < kRoleCount; ++role)
        colours[role] = m_colours[role];
    Use(Detect());
    if (before != m_nLook)
        return true;
    for (int role = 0; role < kRoleCount; ++role)
        if (colours[role] != m_colours[role])
            return true;
    return false;
}

COLORREF Palette::Colour(Role role) const
{
    return m_colours[role];
}

HBRUSH Palette::Brush(Role role) const
{
    if (!m_hBrushes[role])
        m_hBrushes[role] = CreateSolidBrush(m_colours[role]);
    return m_hBrushes[role];
}

double Palette::Contrast(COLORREF first, COLORREF second)
{
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (a > b ? a + 0.05 : b + 0.05) / (a > b ? b + 0.05 : a + 0.05);
}

} // namespace ovra
