#pragma once

// Every colour the program paints with, by role, for the look the system
// asks for: the program's own light look, the user's high-contrast colours,
// or a dark look for users who chose dark applications. Pages and controls
// ask the one palette for a role's colour or brush and never name a colour
// themselves.
#include <windows.h>

namespace ovra {

class Palette {
public:
    enum Look { kLight, kDark, kHighContrast, kLookCount };

    enum Role {
        kPageBack,       // pages, their static texts and the standard lists
        kPageText,       // static texts of the pages, list text
        kIntroText,      // the welcome page's introduction and question
        kPanelBack,      // the welcome page's choices, the section list
        kPanelText,      // the choices and the sections
        kAccentText,     // the "All sections" entry
        kSelectedBack,   // the selected section
        kSelectedText,   // a selected section's name
        kSelectedAccent, // "All sections" while selected
        kSelectedOutline,
        kCardsBack,      // behind the cards
        kCardBack,       // a card
        kCardOutline,
        kProblemText,    // a card's first line
        kDetailText,     // a card's section and value lines
        kTickMark,       // a drawn tick box and its tick
        kHeaderBack,     // the drawn header band
        kHeaderText,     // the page title
        kLinkText,       // the header's help link
        kFooterBack,     // the drawn footer band, behind the buttons
        kFooterText,     // the program's name in the footer
        kRule,           // lines between the bands, pages and panels
        kButtonBack,
        kButtonText,
        kButtonBorder,
        kPressedBack,
        kPressedText,
        kDisabledBack,
        kDisabledText,
        kBarFill,        // the progress bar
        kBarBack,
        kRoleCount
    };

    // A text (or a mark that carries meaning) and the background it is drawn on.
    struct Pair {
        Role nText;
        Role nBack;
        const char* pszWhere;
    };
    static const Pair kPairs[];
    static const int kPairCount;

    // The look for these settings: high contrast wins over everything, and
    // dark applications are asked for by the value AppsUseLightTheme = 0.
    static Look Choose(bool highContrastOn, bool lightValueFound, DWORD appsUseLightTheme);
    // The look the system's settings ask for now.
    static Look Detect();
    // The program's palette; the first call takes the look from the settings.
    static Palette& Current();

    // Takes the look the settings ask for now, with the system colours as
    // they are now; true when any colour changed.
    bool Refresh();
    // Takes a look's colours, the system colours read now.
    void Use(Look look);

    Look GetLook() const { return m_nLook; }
    // The light look shows the program's bitmaps; the others draw their own
    // forms of them in the palette's colours.
    bool Drawn() const { return m_nLook != kLight; }
    COLORREF Colour(Role role) const;
    // A solid brush of the role's colour, kept until the colours change.
    HBRUSH Brush(Role role) const;

    // The contrast ratio of two colours (1 to 21) as WCAG defines it.
    static double Contrast(COLORREF first, COLORREF second);

    ~Palette();
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

private:
    Palette();
    void FreeBrushes();

    Look m_nLook;
    COLORREF m_colours[kRoleCount];
    mutable HBRUSH m_hBrushes[kRoleCount];
};

} // namespace ovra
