// Entry of every test executable: the program's own start-up steps that the
// code under test relies on, then GoogleTest.
#include "app/ovraInstance.h"

#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    InitCommonControls();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
