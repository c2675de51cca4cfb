// Entry of every test executable: the program's own start-up steps that the
// code under test relies on, then GoogleTest.
#include "platform/ovraInstance.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Appends what this executable ran to the file OVRA_TEST_TALLY names, so the
// test command can add up test cases over all its runs, and show every skip
// with its reason (ctest counts a skipping executable as passed).
class Tally : public testing::EmptyTestEventListener {
public:
    explicit Tally(const char* path) : m_path(path) {}

    void OnTestEnd(const testing::TestInfo& info) override
    {
        const testing::TestResult* result = info.result();
        if (!result->Skipped())
            return;
        std::string reason;
        for (int i = 0; i < result->total_part_count(); ++i)
            if (result->GetTestPartResult(i).skipped() && result->GetTestPartResult(i).message())
                reason += result->GetTestPartResult(i).message();
        for (char& c : reason)
            if (c == '\n' || c == '\r')
                c = ' ';
        m_skips += std::string("SKIP ") + info.test_suite_name() + "." + info.name() + ": " + reason + "\n";
    }

    void OnTestProgramEnd(const testing::UnitTest& unit) override
    {
        FILE* file = std::fopen(m_path.c_str(), "a");
        if (!file)
            return;
        std::fprintf(file, "%sCOUNT %d %d %d\n", m_skips.c_str(), unit.successful_test_count(),
                     unit.failed_test_count(), unit.skipped_test_count());
        std::fclose(file);
    }

private:
    std::string m_path, m_skips;
};

} // namespace

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    InitCommonControls();
    testing::InitGoogleTest(&argc, argv);
    if (const char* tally = std::getenv("OVRA_TEST_TALLY"))
        testing::UnitTest::GetInstance()->listeners().Append(new Tally(tally));
    return RUN_ALL_TESTS();
}
