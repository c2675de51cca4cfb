// Closing the real program from its caption while a scan runs: the worker is
// cancelled and waited for, and the program ends cleanly with exit code 0.
#include "ovraTestProgram.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

using namespace ovratest;

namespace {

// Enough COM classes that a scan lasts long enough to be interrupted.
const int kClasses = 1500;

std::string ClassKey(int i)
{
    char key[96];
    std::snprintf(key, sizeof(key), "CLSID\\{7A11C105-%04X-4000-8000-0000000000C1}", i);
    return key;
}

class CloseDuringScan : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (int i = 0; i < kClasses; ++i) {
            const std::string server = ClassKey(i) + "\\InprocServer32";
            add_sz(HKEY_CLASSES_ROOT, server.c_str(), nullptr, "C:\\ovra_close_gone\\server.dll");
        }
    }
    static void TearDownTestSuite()
    {
        for (int i = 0; i < kClasses; ++i)
            delete_tree(HKEY_CLASSES_ROOT, ClassKey(i).c_str());
    }
};

bool ProgressShown(HWND main)
{
    for (HWND page = FindWindowExA(main, nullptr, "wizard_page_class", nullptr); page;
         page = FindWindowExA(main, page, "wizard_page_class", nullptr))
        if (IsWindowVisible(page) && FindWindowExA(page, nullptr, "msctls_progress32", nullptr))
            return true;
    return false;
}

} // namespace

TEST_F(CloseDuringScan, EndsCleanlyWhenClosedAtAnyMoment)
{
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    std::mt19937 random(seed);
    int duringScan = 0;
    const int rounds = 24;
    for (int round = 0; round < rounds; ++round) {
        StartedProgram program;
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(program.WaitMainWindow()) << "round " << round;
        HWND next = program.FooterButton(413);
        ASSERT_TRUE(next);
        program.Click(next);
        // Round 0 closes at once, behind the click in the same queue; the
        // others at a random moment of the scan.
        if (round > 0)
            Sleep(random() % 150);
        if (ProgressShown(program.main))
            ++duringScan;
        // Every other round the way the caption's close button goes, through
        // the system command.
        if (round % 2)
            PostMessageA(program.main, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PostMessageA(program.main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        ASSERT_TRUE(program.WaitExit(60000, code)) << "round " << round << ": the program hung";
        EXPECT_EQ(code, 0u) << "round " << round;
    }
    std::printf("closed %d times, %d of them with the progress page showing\n", rounds, duringScan);
}
