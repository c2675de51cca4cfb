// The real program, started as a user starts it: it opens its main window on
// the welcome page and ends with exit code 0 when that window is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Text(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

// OvraHivemend.exe is built one folder above the test programs.
std::string ProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = std::strrchr(path, '\\');
    *slash = '\0';
    slash = std::strrchr(path, '\\');
    *slash = '\0';
    return std::string(path) + "\\OvraHivemend.exe";
}

struct VisibleChild {
    std::string cls;
    std::string text;
    RECT rc;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param)
{
    auto* children = reinterpret_cast<std::vector<VisibleChild>*>(param);
    if (!IsWindowVisible(child) || GetParent(child) != GetAncestor(child, GA_ROOT))
        return TRUE;
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof(cls));
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    children->push_back({cls, Text(child), rc});
    return TRUE;
}

// The started program; ended by force only if a failed test leaves it running.
struct Started {
    PROCESS_INFORMATION pi = {};
    ~Started()
    {
        if (!pi.hProcess)
            return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
};

TEST(Program, StartsOnTheWelcomePageAndClosesWithExitCodeZero)
{
    std::string command = "\"" + ProgramPath() + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    Started started;
    PROCESS_INFORMATION& pi = started.pi;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << command;
    WaitForInputIdle(pi.hProcess, 60000);

    HWND main = nullptr;
    for (int i = 0; i < 600 && !(main && IsWindowVisible(main)); ++i) {
        Sleep(50);
        main = FindWindowA("wizard_frame_class", "Ovra Hivemend");
    }
    ASSERT_TRUE(main && IsWindowVisible(main)) << "no main window";
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    EXPECT_EQ(owner, pi.dwProcessId);

    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 690);
    EXPECT_EQ(client.bottom, 496);

    // The main window's own children that show: three buttons and one page,
    // the welcome page with its three choices.
    std::vector<VisibleChild> children;
    EnumChildWindows(main, &CollectChild, reinterpret_cast<LPARAM>(&children));
    int buttons = 0, pages = 0;
    for (const VisibleChild& child : children) {
        if (child.cls == "button_class")
            ++buttons;
        if (child.cls == "wizard_page_class") {
            ++pages;
            EXPECT_EQ(child.rc.top, 59);
        }
    }
    EXPECT_EQ(buttons, 3);
    EXPECT_EQ(pages, 1);
    HWND page = FindWindowExA(main, nullptr, "wizard_page_class", nullptr);
    while (page && !IsWindowVisible(page))
        page = FindWindowExA(main, page, "wizard_page_class", nullptr);
    ASSERT_TRUE(page);
    HWND scan = FindWindowExA(page, nullptr, "BUTTON", "Scan the registry");
    ASSERT_TRUE(scan);
    EXPECT_EQ(SendMessageA(scan, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(FindWindowExA(page, nullptr, "BUTTON", "Restore registry backup"));
    EXPECT_TRUE(FindWindowExA(page, nullptr, "BUTTON", "Manage registry backups"));

    // Closing from the caption asks nothing and ends the program.
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
