// The owner-drawn controls as a screen reader meets them: through
// AccessibleObjectFromWindow, their names, roles and states; and the
// manifest that lets Windows draw the program's text sharp when it scales it.
#include "platform/ovraInstance.h"
#include "ovraTestFrame.h"
#include "ovraTestProgram.h"
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraButton.h"
#include "ui/ovraResultPage.h"
#include "ui/ovraResultView.h"

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// Spelled out rather than taken from a library: mingw-w64's 64-bit oleacc
// import library offers IID_IAccessible as a call stub into oleacc.dll, and
// a link that picks it from there hands the stub's code to COM as the id.
const IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

VARIANT Child(LONG id)
{
    VARIANT v = {};
    V_VT(&v) = VT_I4;
    V_I4(&v) = id;
    return v;
}

std::string Narrow(BSTR text)
{
    if (!text)
        return "<none>";
    char out[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof(out) - 1, nullptr, nullptr);
    SysFreeString(text);
    return out;
}

// A reader's view of one control, asked afresh for every property.
class Reader {
public:
    explicit Reader(HWND hwnd)
    {
        result = AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                            reinterpret_cast<void**>(&m_pAcc));
    }
    ~Reader()
    {
        if (m_pAcc)
            m_pAcc->Release();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool Valid() const { return SUCCEEDED(result) && m_pAcc; }
    std::string Text(decltype(&IAccessible::get_accName) get, LONG child = CHILDID_SELF)
    {
        BSTR text = nullptr;
        (m_pAcc->*get)(Child(child), &text);
        return Narrow(text);
    }
    LONG Number(decltype(&IAccessible::get_accRole) get, LONG child = CHILDID_SELF)
    {
        VARIANT v = {};
        (m_pAcc->*get)(Child(child), &v);
        return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
    }
    std::string Name(LONG child = CHILDID_SELF) { return Text(&IAccessible::get_accName, child); }
    LONG Role(LONG child = CHILDID_SELF) { return Number(&IAccessible::get_accRole, child); }
    LONG State(LONG child = CHILDID_SELF) { return Number(&IAccessible::get_accState, child); }
    HRESULT Count(long& count) { return m_pAcc->get_accChildCount(&count); }
    HRESULT DoDefault(LONG child = CHILDID_SELF) { return m_pAcc->accDoDefaultAction(Child(child)); }

    HRESULT result = E_FAIL;

private:
    IAccessible* m_pAcc = nullptr;
};

// The focus and state events the program raises about the cards.
struct Event {
    DWORD event;
    HWND hwnd;
    LONG child;
    bool operator==(const Event& o) const { return event == o.event && hwnd == o.hwnd && child == o.child; }
};
std::vector<Event> g_events;

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    // The system's own focus event for the window, child 0, is not ours.
    const bool focusOrTick = event == EVENT_OBJECT_FOCUS || event == EVENT_OBJECT_STATECHANGE;
    if (object == OBJID_CLIENT && child != CHILDID_SELF && focusOrTick && std::string(cls) == "result_view_class")
        g_events.push_back({event, hwnd, child});
}

class AccessibleControls : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ShowWindow(host.Get(), SW_SHOWNOACTIVATE);
        ovratest::PumpPending();
    }
    void TearDown() override { CoUninitialize(); }

    ovratest::CommandWindow host;
};

} // namespace

TEST_F(AccessibleControls, ButtonFollowsItsCaptionAndStateAndFailsSafelyOnceItsWindowIsGone)
{
    ovra::Button next;
    next.Create(host.Get(), 413, 459);
    next.Enable("Repair", 1006);
    Reader held(next.m_hWndButton);
    ASSERT_TRUE(held.Valid()) << std::hex << held.result;
    EXPECT_EQ(held.Name(), "Repair");
    EXPECT_EQ(held.Role(), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_FALSE(held.State() & STATE_SYSTEM_UNAVAILABLE);

    // A page switch changes caption and state under a reader that holds on.
    next.Disable("Next >");
    EXPECT_EQ(held.Name(), "Next >");
    EXPECT_TRUE(held.State() & STATE_SYSTEM_UNAVAILABLE);

    // Once the window is gone the object says so, and touches nothing freed.
    DestroyWindow(next.m_hWndButton);
    long count = 0;
    EXPECT_TRUE(FAILED(held.Count(count)));
}

TEST_F(AccessibleControls, CardListHasACardPerRecordWithItsTextsAndTick)
{
    std::vector<ovra::JobResult> records(3);
    const char* problems[] = {"Missing shared file", "Missing startup program", "Missing help file"};
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].sProblem = problems[i];
        records[i].sSection = "Shared files";
        records[i].sValue = "C:\\gone\\lib.dll";
        records[i].hRoot = 0x80000002u;
        records[i].sKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
        records[i].bSelected = true;
    }
    ovra::ResultView view;
    view.Create(host.Get(), 264, 0, 426, 396);
    view.BeginAddRecords();
    for (ovra::JobResult& record : records)
        view.AddRecord(&record);
    view.EndAddRecords();

    Reader reader(view.m_hWndView);
    ASSERT_TRUE(reader.Valid()) << std::hex << reader.result;
    EXPECT_EQ(reader.Role(), ROLE_SYSTEM_LIST);
    long count = 0;
    EXPECT_EQ(reader.Count(count), S_OK);
    EXPECT_EQ(count, 3);

    const LONG second = 2; // children count from 1
    EXPECT_EQ(reader.Name(second), "Missing startup program");
    // The whole texts, as the tooltip shows them, with the full key.
    EXPECT_EQ(reader.Text(&IAccessible::get_accDescription, second),
              "Section: Shared files\nKey: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    EXPECT_EQ(reader.Text(&IAccessible::get_accValue, second), "Value: C:\\gone\\lib.dll");
    EXPECT_EQ(reader.Role(second), ROLE_SYSTEM_LISTITEM);
    EXPECT_TRUE(reader.State(second) & STATE_SYSTEM_CHECKED);
    EXPECT_FALSE(reader.State(second) & STATE_SYSTEM_SELECTED);

    // Down to the second card and Space, as the keyboard does it; a reader
    // listening for events hears of the focus and the tick.
    g_events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, &Heard,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    SetFocus(view.m_hWndView);
    SendMessageA(view.m_hWndView, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(view.m_hWndView, WM_KEYDOWN, VK_SPACE, 1);
    ASSERT_FALSE(records[1].bSelected);
    EXPECT_FALSE(reader.State(second) & STATE_SYSTEM_CHECKED);
    EXPECT_TRUE(reader.State(second) & STATE_SYSTEM_SELECTED);
    EXPECT_TRUE(reader.State(second) & STATE_SYSTEM_FOCUSED);
    EXPECT_TRUE(reader.State(1) & STATE_SYSTEM_CHECKED) << "the others keep their ticks";
    const std::vector<Event> expected = {{EVENT_OBJECT_FOCUS, view.m_hWndView, 1},
                                         {EVENT_OBJECT_FOCUS, view.m_hWndView, 2},
                                         {EVENT_OBJECT_STATECHANGE, view.m_hWndView, 2}};
    EXPECT_TRUE(ovratest::PumpUntil([&] { return g_events == expected; }, 10000)) << g_events.size() << " events";
    UnhookWinEvent(hook);
    DestroyWindow(view.m_hWndView);
}

TEST_F(AccessibleControls, SectionListNamesEachSectionWithItsCount)
{
    ovra::JobEnumerator catalogue;
    std::vector<ovra::JobResult> records(3);
    records[0].nJobId = 2;
    records[1].nJobId = 5;
    records[2].nJobId = 2;
    ovra::ResultPage page;
    page.Create(host.Get());
    page.OnEnter(records);

    Reader reader(page.m_groupView.m_hWndView);
    ASSERT_TRUE(reader.Valid()) << std::hex << reader.result;
    EXPECT_EQ(reader.Role(), ROLE_SYSTEM_LIST);
    long count = 0;
    EXPECT_EQ(reader.Count(count), S_OK);
    EXPECT_EQ(count, static_cast<long>(catalogue.m_jobs.size()));
    EXPECT_EQ(reader.Name(1), "All sections (3)");
    EXPECT_EQ(reader.Name(3), catalogue.Find(2)->m_strName + " (2)");
    EXPECT_EQ(reader.Name(4), catalogue.Find(3)->m_strName + " (0)");
    EXPECT_TRUE(reader.State(1) & STATE_SYSTEM_SELECTED);
    EXPECT_FALSE(reader.State(3) & STATE_SYSTEM_SELECTED);
    DestroyWindow(page.m_hWndPage);
}

// A screen reader runs in a process of its own: the object crosses over
// through COM, and the program loads the accessibility runtime from the
// system folder under its restricted DLL search.
TEST_F(AccessibleControls, AnotherProcessReadsTheRealProgramsButtons)
{
    ovratest::StartedProgram program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitMainWindow());
    struct Expected {
        int left;
        const char* name;
        bool unavailable;
    } table[] = {{293, "< Back", true}, {413, "Next >", false}, {571, "Cancel", false}};
    for (const Expected& e : table) {
        Reader reader(program.FooterButton(e.left));
        ASSERT_TRUE(reader.Valid()) << e.name << " 0x" << std::hex << reader.result;
        EXPECT_EQ(reader.Name(), e.name);
        EXPECT_EQ(reader.Role(), ROLE_SYSTEM_PUSHBUTTON) << e.name;
        EXPECT_EQ((reader.State() & STATE_SYSTEM_UNAVAILABLE) != 0, e.unavailable) << e.name;
    }
    // The standard controls without a caption are named too.
    std::vector<std::string> names;
    for (HWND page = FindWindowExA(program.main, nullptr, "wizard_page_class", nullptr); page;
         page = FindWindowExA(program.main, page, "wizard_page_class", nullptr))
        for (const char* cls : {"SysListView32", "msctls_progress32"})
            if (HWND control = FindWindowExA(page, nullptr, cls, nullptr))
                names.push_back(Reader(control).Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Sections scanned", "Scan progress", "Backup files"}));

    PostMessageA(program.main, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(60000, code));
    EXPECT_EQ(code, 0u);
}

// A reader that presses Repair must get its answer before the question
// comes up: the program posts the action, and the box follows.
TEST(ScreenReader, DefaultActionOnRepairReturnsBeforeTheQuestionAppears)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ovra::WizardFrame frame;
    ovratest::Play(frame, [&](ovratest::Driver& d) {
        // One record, unticked: the repair that follows removes nothing.
        d.OnUi([&] {
            frame.m_results.assign(1, ovra::JobResult());
            frame.m_results[0].sProblem = "Missing file";
            frame.m_results[0].bSelected = false;
            ShowWindow(frame.m_welcomePage.m_hWndPage, SW_HIDE);
            frame.ShowResultPage();
        });
        // A box that comes up while the reader's call has not returned yet
        // means the call waits on it: noted, and answered so the call ends.
        std::atomic<bool> returned(false);
        std::atomic<bool> boxWhileWaiting(false);
        std::thread watcher([&] {
            ovratest::MessageBoxSeen box;
            while (!returned) {
                if (!d.WaitForMessageBox(box, 200) || returned)
                    continue;
                boxWhileWaiting = true;
                d.Answer(box, box.text == "Do you want to create a backup?" ? "&No" : "OK");
            }
        });
        HRESULT hr = E_FAIL;
        bool boxAtReturn = true;
        d.OnUi([&] {
            Reader reader(frame.m_btnNext.m_hWndButton);
            ASSERT_TRUE(reader.Valid());
            EXPECT_EQ(reader.Name(), "Repair");
            hr = reader.DoDefault();
            boxAtReturn = !d.NoMessageBox();
            returned = true;
        });
        watcher.join();
        EXPECT_EQ(hr, S_OK);
        EXPECT_FALSE(boxWhileWaiting);
        EXPECT_FALSE(boxAtReturn);

        ovratest::MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box)) << "the question follows";
        EXPECT_EQ(box.caption, "QUESTION");
        EXPECT_EQ(box.text, "Do you want to create a backup?");
        d.Answer(box, "&No");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "SUCCESS");
        d.Answer(box, "OK");
    });
    CoUninitialize();
}

// Two presses in a row: the second arrives while the first one's question is
// open, and must not start a second repair inside it.
TEST(ScreenReader, TwoPressesOfRepairRunOneRepair)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ovra::WizardFrame frame;
    ovratest::Play(frame, [&](ovratest::Driver& d) {
        d.OnUi([&] {
            frame.m_results.assign(1, ovra::JobResult());
            frame.m_results[0].bSelected = false;
            ShowWindow(frame.m_welcomePage.m_hWndPage, SW_HIDE);
            frame.ShowResultPage();
            Reader reader(frame.m_btnNext.m_hWndButton);
            ASSERT_TRUE(reader.Valid());
            EXPECT_EQ(reader.DoDefault(), S_OK);
            EXPECT_EQ(reader.DoDefault(), S_OK);
        });
        std::vector<std::string> seen;
        ovratest::MessageBoxSeen box;
        while (d.WaitForMessageBox(box, 1500)) {
            seen.push_back(box.text);
            d.Answer(box, box.caption == "QUESTION" ? "&No" : "OK");
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"Do you want to create a backup?",
                                                  "All operations have been completed successfully."}));
        EXPECT_EQ(d.ReadOnUi<std::string>([&] { return frame.m_strTitle; }), "Welcome to Ovra Hivemend");
    });
    CoUninitialize();
}

TEST(HighDpi, ManifestAsksWindowsToScaleTheProgramsGdiDrawing)
{
    // The tests carry the program's resources, manifest included.
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_TRUE(found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_TRUE(loaded);
    const std::string manifest(static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true"
                            "</gdiScaling>"),
              std::string::npos);
    // Only for a program that is not DPI aware does Windows scale, and so
    // apply GDI scaling.
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
}
