// Reading a finding whole and acting on it before anything is deleted: the
// card's texts shortened with a mark, the tooltip with the whole texts, and
// the card's menu from the keyboard: Registry Editor at the key, the texts on
// the clipboard, and every card of a section ticked or unticked at once.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"
#include "ui/ovraCardMenu.h"
#include "ui/ovraCardText.h"
#include "ui/ovraGdi.h"
#include "ui/ovraRegistryEditor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ovratest;

namespace {

const std::wstring kEllipsis(1, ovra::CardText::kEllipsis);
const std::wstring kMuiCache =
    L"HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

ovra::JobResult Card(int job, const char* path, const char* name)
{
    ovra::JobResult record;
    record.hRoot = 0x80000001u;
    record.sKeyPath = path;
    record.sName = name;
    record.sProblem = "Value is invalid";
    record.sSection = std::string("HKEY_CURRENT_USER\\") + path;
    record.sValue = std::string(name) + " = C:\\Program Files\\Gone Away\\" + name + ".exe";
    record.nJobId = job;
    record.nKind = ovra::kKindValue;
    record.bSelected = true;
    return record;
}

// Three cards: two of one section, one of another.
class CardReview : public testing::Test {
protected:
    void SetUp() override
    {
        frame.m_results = {Card(3, "Software\\ovra review\\Shell\\MuiCache", "first"),
                           Card(7, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "second"),
                           Card(3, "Software\\ovra review", "third")};
    }

    void ShowCards(Driver& d)
    {
        d.OnUi([&] {
            ShowWindow(frame.m_welcomePage.m_hWndPage, SW_HIDE);
            frame.ShowResultPage();
            SetFocus(View());
        });
    }
    HWND View() { return frame.m_resultPage.m_resultView.m_hWndView; }

    // Opens the focused card's menu with the menu key, or with Shift+F10,
    // and takes item index (0 the first) with the arrow keys and Enter.
    void Take(Driver& d, int index, bool shiftF10 = false)
    {
        const auto shift = [](bool down) {
            BYTE keys[256];
            GetKeyboardState(keys);
            keys[VK_SHIFT] = down ? 0x80 : 0;
            SetKeyboardState(keys);
        };
        if (shiftF10) {
            d.OnUi([&] { shift(true); });
            PostMessageA(View(), WM_SYSKEYDOWN, VK_F10, 1);
        } else {
            d.Key(VK_APPS, frame.m_hWndWizard);
        }
        const bool opened = d.WaitUntil([] { return FindWindowA("#32768", nullptr) != nullptr; }, 10000);
        if (!opened && shiftF10)
            d.OnUi([&] { shift(false); });
        ASSERT_TRUE(opened) << "no menu";
        for (int i = 0; i <= index; ++i)
            PostMessageA(View(), WM_KEYDOWN, VK_DOWN, 1);
        PostMessageA(View(), WM_KEYDOWN, VK_RETURN, 1);
        ASSERT_TRUE(d.WaitUntil([] { return FindWindowA("#32768", nullptr) == nullptr; }, 10000)) << "menu stays";
        if (shiftF10)
            d.OnUi([&] { shift(false); });
    }

    ovra::WizardFrame frame;
};

} // namespace

// Measured with the cards' real font: untouched when short, a key path cut
// in its middle with the root and its last names kept, anything else cut at
// its end, never inside a character, and always within the width.
TEST(CardText, LongTextsAreShortenedWithAMarkWhereACharacterEnds)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ovra::GdiFont font(ovra::CreatePointFont(dc, 7, FW_NORMAL, "Tahoma"));
    HGDIOBJ old = SelectObject(dc, font.Get());
    const auto measure = [dc](const std::wstring& text) {
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::wstring wanted = L"HKEY_CURRENT_USER\\Software\\" + kEllipsis + L"\\Shell\\MuiCache";
    const std::wstring chinese = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\\x7a0b\x5e8f\x7a0b\x5e8f\\\xD834\xDD1E\xD834\xDD1E"
                                 L"\xD834\xDD1E\\Cafe\x0301\x0301";
    const struct {
        const char* what;
        bool path;
        std::wstring text;
        int width;
        std::wstring expected; // empty: only the rules below
    } kCases[] = {
        {"a short path", true, L"HKEY_CURRENT_USER\\Software", 400, L"HKEY_CURRENT_USER\\Software"},
        {"a short value", false, L"x = C:\\a.exe", 400, L"x = C:\\a.exe"},
        {"a long path", true, kMuiCache, measure(wanted), wanted},
        {"a long path, narrower", true, kMuiCache, measure(wanted) - 20, L""},
        {"a long path, narrowest", true, kMuiCache, 60, L""},
        {"a long value", false, L"name = C:\\Program Files\\A Long Folder\\Another One\\program.exe /with arguments",
         150, L""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        const std::wstring fitted =
            c.path ? ovra::CardText::FitPath(c.text, c.width, measure) : ovra::CardText::FitEnd(c.text, c.width, measure);
        if (!c.expected.empty()) {
            EXPECT_EQ(fitted, c.expected);
        }
        EXPECT_LE(measure(fitted), c.width);
        if (fitted == c.text)
            continue;
        EXPECT_NE(fitted.find(ovra::CardText::kEllipsis), std::wstring::npos);
        if (c.path && c.width > 100) {
            EXPECT_EQ(fitted.compare(0, 18, L"HKEY_CURRENT_USER\\"), 0) << "the root is kept";
            EXPECT_EQ(fitted.substr(fitted.size() - 9), L"\\MuiCache") << "the last name is kept";
        }
    }
    // Every width over a text of surrogate pairs and combining accents: no
    // cut leaves half a pair or an accent without its letter.
    for (int width = 20; width < measure(chinese); width += 3) {
        for (const bool path : {true, false}) {
            const std::wstring fitted = path ? ovra::CardText::FitPath(chinese, width, measure)
                                             : ovra::CardText::FitEnd(chinese, width, measure);
            for (size_t i = 0; i < fitted.size(); ++i) {
                const bool afterHigh = i > 0 && fitted[i - 1] >= 0xD800 && fitted[i - 1] <= 0xDBFF;
                EXPECT_EQ(IsLowSurrogate(fitted[i]), afterHigh) << width << " at " << i;
                if (fitted[i] == 0x0301) {
                    EXPECT_TRUE(fitted[i - 1] == L'e' || fitted[i - 1] == 0x0301) << width;
                }
            }
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
}

// The tooltip holds the whole texts and the key, for the card the mouse
// rests on and for the card the keyboard moves to, and goes on scrolling.
TEST_F(CardReview, TheTooltipShowsTheWholeTextsOfTheHoveredAndTheFocusedCard)
{
    Play(frame, [&](Driver& d) {
        ShowCards(d);
        ovra::ResultView& view = frame.m_resultPage.m_resultView;
        PostMessageA(View(), WM_MOUSEHOVER, 0, MAKELPARAM(200, 60 + 30));
        ASSERT_TRUE(d.WaitUntil([&] { return view.m_tip.Shown(); }));
        EXPECT_EQ(d.ReadOnUi<std::wstring>([&] { return view.m_tip.Text(); }),
                  L"Section: HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\r\n"
                  L"Value: second = C:\\Program Files\\Gone Away\\second.exe\r\n"
                  L"Key: HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        EXPECT_TRUE(d.ReadOnUi<bool>([&] { return IsWindowVisible(view.m_tip.m_hWndTip) != FALSE; }));
        d.OnUi([&] { SendMessageA(View(), WM_VSCROLL, SB_LINEDOWN, 0); });
        EXPECT_FALSE(d.ReadOnUi<bool>([&] { return view.m_tip.Shown(); }));

        d.OnUi([&] { view.SetFocusRow(1, true); });
        d.Key(VK_DOWN, frame.m_hWndWizard);
        ASSERT_TRUE(d.WaitUntil([&] { return view.m_tip.Shown() && view.m_nFocusRow == 2; }));
        EXPECT_EQ(d.ReadOnUi<std::wstring>([&] { return view.m_tip.Text(); }).substr(0, 48),
                  L"Section: HKEY_CURRENT_USER\\Software\\ovra review\r");
    });
}

// Every item from the keyboard: the menu key opens the focused card's menu,
// the arrows and Enter take an item, and each does what it says.
TEST_F(CardReview, TheKeyboardReachesTheMenuAndEachItem)
{
    const wchar_t kSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
    delete_tree_w(HKEY_CURRENT_USER, kSettings);
    Play(frame, [&](Driver& d) {
        ShowCards(d);

        // "Open in Registry Editor" at the first card's key, by Shift+F10.
        Take(d, 0, true);
        HWND editor = nullptr;
        ASSERT_TRUE(d.WaitUntil([&] { return (editor = FindWindowA("RegEdit_RegEdit", nullptr)) != nullptr; }))
            << "Registry Editor did not start";
        wchar_t lastKey[512] = L"";
        DWORD size = sizeof(lastKey);
        RegGetValueW(HKEY_CURRENT_USER, kSettings, L"LastKey", RRF_RT_REG_SZ, nullptr, lastKey, &size);
        EXPECT_EQ(std::wstring(lastKey), L"HKEY_CURRENT_USER\\Software\\ovra review\\Shell\\MuiCache");
        DWORD editorProcess = 0;
        GetWindowThreadProcessId(editor, &editorProcess);
        PostMessageA(editor, WM_CLOSE, 0, 0);
        ASSERT_TRUE(d.WaitUntil([&] { return !IsWindow(editor); }));

        // "Copy": the whole texts, as Unicode text.
        Take(d, 1);
        std::wstring copied;
        d.OnUi([&] {
            if (!OpenClipboard(View()))
                return;
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                copied = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        });
        EXPECT_EQ(copied, L"Value is invalid\r\nSection: HKEY_CURRENT_USER\\Software\\ovra review\\Shell\\MuiCache\r\n"
                          L"Value: first = C:\\Program Files\\Gone Away\\first.exe\r\n"
                          L"Key: HKEY_CURRENT_USER\\Software\\ovra review\\Shell\\MuiCache");

        // The section's cards, and only those, untick and tick again; on
        // "All sections" every card does.
        d.OnUi([&] { frame.m_resultPage.m_groupView.Select(3); });
        Take(d, 3);
        const auto ticks = [&] {
            return d.ReadOnUi<std::string>([&] {
                std::string text;
                for (const ovra::JobResult& r : frame.m_results)
                    text += r.bSelected ? '1' : '0';
                return text;
            });
        };
        EXPECT_EQ(ticks(), "010");
        d.OnUi([&] { frame.m_resultPage.m_groupView.Select(0); });
        Take(d, 3);
        EXPECT_EQ(ticks(), "000");
        Take(d, 2);
        EXPECT_EQ(ticks(), "111");
        EXPECT_EQ(d.ReadOnUi<int>([&] { return frame.m_resultPage.m_groupView.m_groups[3].nRecords; }), 2);
    });
    delete_tree_w(HKEY_CURRENT_USER, kSettings);
}

// Registry Editor opens under the name it gave its tree's top when it last
// wrote a key there, and under none when it never did.
TEST(RegistryEditor, LastKeyTakesTheTopNameTheEditorWrote)
{
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Ovra";
    EXPECT_EQ(ovra::RegistryEditor::LastKeyFor(key, L""), key);
    EXPECT_EQ(ovra::RegistryEditor::LastKeyFor(key, L"My Computer"), key);
    EXPECT_EQ(ovra::RegistryEditor::LastKeyFor(key, L"Computer\\HKEY_CURRENT_USER\\Software"), L"Computer\\" + key);
    EXPECT_EQ(ovra::RegistryEditor::LastKeyFor(key, L"Ordinateur\\HKEY_USERS"), L"Ordinateur\\" + key);
}
