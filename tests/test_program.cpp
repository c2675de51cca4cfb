// The real program, started as a user starts it: it opens its main window on
// the welcome page and ends with exit code 0 when that window is closed.
#include "ovraTestProgram.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct VisibleChild {
    std::string cls;
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
    children->push_back({cls, rc});
    return TRUE;
}

TEST(Program, StartsOnTheWelcomePageAndClosesWithExitCodeZero)
{
    ovratest::StartedProgram program;
    ASSERT_TRUE(program.Start()) << ovratest::ProgramPath();
    HWND main = program.WaitMainWindow();
    ASSERT_TRUE(main) << "no main window";
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
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(60000, code));
    EXPECT_EQ(code, 0u);
}

TEST(Program, HelpFileLivesBesideTheProgram)
{
    std::string help = ovratest::ProgramPath();
    help.replace(help.rfind('\\') + 1, std::string::npos, "help.html");
    const DWORD attributes = GetFileAttributesA(help.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << help;
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace
