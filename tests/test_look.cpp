// The looks: which one the system's settings ask for, the contrast of every
// text on its background in each, and a running window that switches look
// when the settings change and repaints in the new one.
#include "app/ovraWizardFrame.h"
#include "ovraTestCapture.h"
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"
#include "ovraTestWindow.h"
#include "ui/ovraPalette.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace {

using ovra::Palette;

const char kPersonalize[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

void SetAppsLight(DWORD value)
{
    add_value(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme", REG_DWORD, &value, sizeof(value));
}

void ClearAppsLight()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPersonalize, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "AppsUseLightTheme");
        RegCloseKey(key);
    }
}

// System colours set for a test and put back afterwards: they are the
// prefix's, shared with every later test.
const int kSchemeIndexes[] = {COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                              COLOR_HOTLIGHT,  COLOR_GRAYTEXT,   COLOR_BTNFACE,   COLOR_BTNTEXT};
const int kSchemeSize = 8;
struct Scheme {
    const char* name;
    COLORREF colours[kSchemeSize];
};
// Windows' own high-contrast themes, in the order of kSchemeIndexes.
const Scheme kHighContrastBlack = {"High Contrast Black",
                                   {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0),
                                    RGB(255, 255, 0), RGB(63, 242, 63), RGB(0, 0, 0), RGB(255, 255, 255)}};
const Scheme kHighContrastWhite = {"High Contrast White",
                                   {RGB(255, 255, 255), RGB(0, 0, 0), RGB(55, 0, 110), RGB(255, 255, 255),
                                    RGB(0, 0, 159), RGB(96, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0)}};

class SystemColours {
public:
    SystemColours()
    {
        for (int i = 0; i < kSchemeSize; ++i)
            m_saved[i] = GetSysColor(kSchemeIndexes[i]);
    }
    ~SystemColours() { SetSysColors(kSchemeSize, kSchemeIndexes, m_saved); }
    void Set(const Scheme& scheme) { ASSERT_TRUE(SetSysColors(kSchemeSize, kSchemeIndexes, scheme.colours)); }

private:
    COLORREF m_saved[kSchemeSize];
};

// Every test leaves the settings and the program's palette as it found them.
class LookTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ClearAppsLight();
        Palette::Current().Use(Palette::Detect());
    }
};

} // namespace

TEST_F(LookTest, ChosenFromTheSettings)
{
    struct Case {
        bool highContrast;
        bool found;
        DWORD value;
        Palette::Look look;
    } table[] = {
        {false, false, 0, Palette::kLight},       {false, true, 1, Palette::kLight},
        {false, true, 0, Palette::kDark},         {true, false, 0, Palette::kHighContrast},
        {true, true, 0, Palette::kHighContrast},  {true, true, 1, Palette::kHighContrast},
    };
    for (const Case& c : table) {
        EXPECT_EQ(Palette::Choose(c.highContrast, c.found, c.value), c.look)
            << c.highContrast << " " << c.found << " " << c.value;
    }

    // The real value in the user's registry.
    ClearAppsLight();
    EXPECT_EQ(Palette::Detect(), Palette::kLight);
    SetAppsLight(0);
    EXPECT_EQ(Palette::Detect(), Palette::kDark);
    SetAppsLight(1);
    EXPECT_EQ(Palette::Detect(), Palette::kLight);
    // A value of another type than a number is no choice of dark.
    add_sz(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme", "0");
    EXPECT_EQ(Palette::Detect(), Palette::kLight);
}

TEST_F(LookTest, HighContrastFromTheSystemSetting)
{
    HIGHCONTRASTA before = {};
    before.cbSize = sizeof(before);
    SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(before), &before, 0);
    HIGHCONTRASTA on = {};
    on.cbSize = sizeof(on);
    on.dwFlags = HCF_HIGHCONTRASTON;
    HIGHCONTRASTA now = {};
    now.cbSize = sizeof(now);
    const bool set = SystemParametersInfoA(SPI_SETHIGHCONTRAST, sizeof(on), &on, 0) &&
                     SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(now), &now, 0) &&
                     (now.dwFlags & HCF_HIGHCONTRASTON);
    if (!set)
        GTEST_SKIP() << "this system does not let a program switch high contrast on (Wine answers "
                        "SPI_SETHIGHCONTRAST without effect); the choice is tested through Choose and the "
                        "high-contrast drawing through the system colours";
    SetAppsLight(0);
    EXPECT_EQ(Palette::Detect(), Palette::kHighContrast) << "high contrast wins over dark";
    before.dwFlags &= ~static_cast<DWORD>(HCF_HIGHCONTRASTON);
    SystemParametersInfoA(SPI_SETHIGHCONTRAST, sizeof(before), &before, 0);
}

TEST_F(LookTest, EveryTextReadsOnItsBackground)
{
    EXPECT_DOUBLE_EQ(Palette::Contrast(RGB(0, 0, 0), RGB(255, 255, 255)), 21.0);
    EXPECT_DOUBLE_EQ(Palette::Contrast(RGB(119, 119, 119), RGB(119, 119, 119)), 1.0);
    EXPECT_NEAR(Palette::Contrast(RGB(118, 118, 118), RGB(255, 255, 255)), 4.54, 0.01);

    SystemColours saved;
    struct Run {
        Palette::Look look;
        const Scheme* scheme; // the system colours the look is measured under
    } runs[] = {{Palette::kLight, nullptr},
                {Palette::kDark, nullptr},
                {Palette::kHighContrast, &kHighContrastBlack},
                {Palette::kHighContrast, &kHighContrastWhite}};
    for (const Run& run : runs) {
        if (run.scheme)
            saved.Set(*run.scheme);
        Palette::Current().Use(run.look);
        const Palette& palette = Palette::Current();
        for (int i = 0; i < Palette::kPairCount; ++i) {
            const Palette::Pair& pair = Palette::kPairs[i];
            const double ratio = Palette::Contrast(palette.Colour(pair.nText), palette.Colour(pair.nBack));
            std::printf("look %d %s: %s %.2f\n", run.look, run.scheme ? run.scheme->name : "", pair.pszWhere, ratio);
            // The light look is the program's fixed look, kept to the pixel;
            // its figures are reported, not judged.
            if (run.look != Palette::kLight) {
                EXPECT_GE(ratio, 4.5) << pair.pszWhere << " in look " << run.look;
            }
        }
        if (run.scheme) {
            // High contrast paints with the system's colours themselves.
            EXPECT_EQ(palette.Colour(Palette::kPageBack), run.scheme->colours[0]);
            EXPECT_EQ(palette.Colour(Palette::kPageText), run.scheme->colours[1]);
            EXPECT_EQ(palette.Colour(Palette::kSelectedBack), run.scheme->colours[2]);
            EXPECT_EQ(palette.Colour(Palette::kLinkText), run.scheme->colours[4]);
            EXPECT_EQ(palette.Colour(Palette::kDisabledText), run.scheme->colours[5]);
            EXPECT_EQ(palette.Colour(Palette::kButtonBack), run.scheme->colours[6]);
        }
    }
}

// A shown frame in the look the settings ask for; its pixels sampled from
// the window as it stands on the screen.
class LiveFrame : public LookTest {
protected:
    void SetUp() override
    {
        ClearAppsLight();
        Palette::Current().Use(Palette::Detect());
        frame.Create();
        frame.ShowWelcomePage();
        ShowWindow(frame.m_hWndWizard, SW_SHOW);
        ovratest::PumpPending();
    }
    void TearDown() override
    {
        LookTest::TearDown();
        DestroyWindow(frame.m_hWndWizard);
    }
    // What the welcome page's right panel, the header and the Next button's
    // face show.
    std::vector<COLORREF> Sample()
    {
        const ovratest::ClientPixels pixels(frame.m_hWndWizard);
        return {pixels.At(600, 59 + 300), pixels.At(5, 5), pixels.At(413 + 8, 459 + 30)};
    }

    ovra::WizardFrame frame;
};

TEST_F(LiveFrame, SwitchesLookWhenTheSettingsChangeAndRepaints)
{
    const std::vector<COLORREF> light = Sample();
    EXPECT_EQ(light[0], RGB(237, 242, 252));

    SetAppsLight(0);
    SendMessageA(frame.m_hWndWizard, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("ImmersiveColorSet"));
    const Palette& palette = Palette::Current();
    ASSERT_EQ(palette.GetLook(), Palette::kDark);
    const std::vector<COLORREF> dark = Sample();
    EXPECT_EQ(dark[0], palette.Colour(Palette::kPanelBack));
    EXPECT_EQ(dark[1], palette.Colour(Palette::kHeaderBack));
    EXPECT_EQ(dark[2], palette.Colour(Palette::kButtonBack));

    // Another setting changing leaves the look alone.
    ClearAppsLight();
    SendMessageA(frame.m_hWndWizard, WM_SETTINGCHANGE, SPI_SETKEYBOARDCUES, 0);
    EXPECT_EQ(Sample(), dark);

    // A change of the system colours is a change of look too.
    SendMessageA(frame.m_hWndWizard, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(Sample(), light) << "back to the light look, to the pixel";
}

TEST_F(LiveFrame, HighContrastPaintsWithTheSystemColours)
{
    SystemColours saved;
    saved.Set(kHighContrastBlack);
    Palette::Current().Use(Palette::kHighContrast);
    frame.ApplyLook();
    const ovratest::ClientPixels pixels(frame.m_hWndWizard);
    EXPECT_EQ(pixels.At(600, 59 + 300), RGB(0, 0, 0)) << "the panel in the window colour";
    EXPECT_EQ(pixels.At(5, 5), RGB(0, 0, 0)) << "the header drawn, not the bitmap";
    EXPECT_TRUE(pixels.Contains(ovra::WizardFrame::kHelpArea, RGB(255, 255, 0))) << "the help link";
    const RECT title = {30, 0, 630, 58};
    EXPECT_TRUE(pixels.Contains(title, RGB(255, 255, 255)));
    const RECT back = {293, 459, 293 + 112, 459 + 37};
    EXPECT_TRUE(pixels.Contains(back, RGB(63, 242, 63))) << "the disabled Back button's caption";

    // The progress bar, a standard control, in the highlight colour on the
    // window colour.
    HWND bar = frame.m_progressPage.m_hWndProgress;
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 9));
    SendMessageA(bar, PBM_SETPOS, 3, 0);
    ShowWindow(frame.m_welcomePage.m_hWndPage, SW_HIDE);
    ShowWindow(frame.m_progressPage.m_hWndPage, SW_SHOW);
    const ovratest::ClientPixels progress(bar);
    EXPECT_EQ(progress.At(5, 10), RGB(26, 235, 255));
    EXPECT_EQ(progress.At(progress.Width() - 5, 10), RGB(0, 0, 0));
    ShowWindow(frame.m_progressPage.m_hWndPage, SW_HIDE);

    // The cards: the tick box drawn in the window text's colour.
    std::vector<ovra::JobResult> records(1);
    records[0].sProblem = "Missing file";
    records[0].bSelected = true;
    frame.m_resultPage.OnEnter(records);
    ShowWindow(frame.m_resultPage.m_hWndPage, SW_SHOW);
    const ovratest::ClientPixels cards(frame.m_resultPage.m_resultView.m_hWndView);
    const RECT box = {9, 9, 25, 25}; // the first card's tick box
    EXPECT_TRUE(cards.Contains(box, RGB(255, 255, 255)));
    EXPECT_TRUE(cards.Contains(RECT{box.left + 5, box.top + 5, box.right - 3, box.bottom - 3}, RGB(255, 255, 255)))
        << "the tick";
    EXPECT_EQ(cards.At(200, 200), RGB(0, 0, 0));
    records[0].bSelected = false;
    const ovratest::ClientPixels clear(frame.m_resultPage.m_resultView.m_hWndView);
    EXPECT_FALSE(clear.Contains(RECT{box.left + 5, box.top + 5, box.right - 3, box.bottom - 3}, RGB(255, 255, 255)));
    frame.m_resultPage.OnExit();
}
