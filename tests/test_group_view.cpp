// The section list and the result page in real windows: grouping by job,
// selection by mouse, the cards it fills, and what a new visit resets.
#include "ui/ovraResultPage.h"

#include "ovraTestCapture.h"
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

#include <vector>

using ovra::JobResult;
using ovratest::ClientPixels;

namespace {

const int kJobs = 10;
const COLORREF kSelected = RGB(187, 194, 214);
const COLORREF kBackground = RGB(237, 242, 252);

JobResult Record(int job, const char* problem)
{
    JobResult record;
    record.nJobId = job;
    record.sProblem = problem;
    record.bSelected = true;
    return record;
}

class ResultPageTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        catalogue = new ovra::JobEnumerator;
        host = new ovratest::CommandWindow;
        ShowWindow(host->Get(), SW_SHOWNOACTIVATE);
        ovratest::PumpPending();
    }
    static void TearDownTestSuite()
    {
        delete host;
        delete catalogue;
    }
    void SetUp() override
    {
        page.Create(host->Get());
        ShowWindow(page.m_hWndPage, SW_SHOW);
    }
    void TearDown() override { DestroyWindow(page.m_hWndPage); }

    HWND Groups() const { return page.m_groupView.m_hWndView; }
    HWND Cards() const { return page.m_resultView.m_hWndView; }
    void ClickGroups(int x, int y)
    {
        SendMessageA(Groups(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(Groups(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void ClickEntry(int entry) { ClickGroups(100, entry * 32 + 16); }
    void ClickCardTick(int row) { SendMessageA(Cards(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, row * 60 + 12)); }
    std::vector<JobResult*> Shown() const
    {
        std::vector<JobResult*> shown;
        for (const auto& row : page.m_resultView.m_records)
            shown.push_back(row.pRecord);
        return shown;
    }
    std::vector<int> Counts() const
    {
        std::vector<int> counts;
        for (const auto& entry : page.m_groupView.m_groups)
            counts.push_back(entry.nRecords);
        return counts;
    }

    std::vector<JobResult> records;
    ovra::ResultPage page;
    static ovra::JobEnumerator* catalogue;
    static ovratest::CommandWindow* host;
};

ovra::JobEnumerator* ResultPageTest::catalogue = nullptr;
ovratest::CommandWindow* ResultPageTest::host = nullptr;

// Records of sections 2 and 5 mixed, two with ids no job has (a backup of
// a later version's section), one with the all-sections job's own id.
std::vector<JobResult> MixedRecords()
{
    return {Record(2, "a"), Record(5, "b"), Record(10, "g"), Record(2, "c"), Record(-1, "h"),
            Record(5, "d"), Record(2, "e"), Record(0, "f")};
}

using GroupViewSections = ResultPageTest;

TEST_F(GroupViewSections, CountsPerSectionAndTheirSumOnTheFirstEntry)
{
    records = MixedRecords();
    page.OnEnter(records);
    const auto& groups = page.m_groupView.m_groups;
    ASSERT_EQ(groups.size(), static_cast<size_t>(kJobs));
    EXPECT_EQ(Counts(), (std::vector<int>{8, 0, 3, 0, 0, 2, 0, 0, 0, 0}));
    for (int i = 0; i < kJobs; ++i) {
        EXPECT_EQ(groups[i].strName, catalogue->Find(i)->m_strName);
        EXPECT_NE(groups[i].hIcon, nullptr) << "entry " << i;
        EXPECT_EQ(groups[i].rcBounds.left, i == 0 ? 0 : 20);
        EXPECT_EQ(groups[i].rcBounds.top, 32 * i);
        EXPECT_EQ(groups[i].rcBounds.right, 264);
    }
    std::vector<JobResult*> all;
    for (JobResult& record : records)
        all.push_back(&record);
    EXPECT_EQ(groups[0].vecMembers, all);
    EXPECT_EQ(groups[2].vecMembers, (std::vector<JobResult*>{&records[0], &records[3], &records[6]}));
    EXPECT_EQ(page.m_groupView.m_nSelected, 0);
    EXPECT_EQ(Shown(), all) << "the cards start with every section";
}

TEST_F(GroupViewSections, ClickingAnEntryFillsTheCardsWithItsRecords)
{
    records = MixedRecords();
    page.OnEnter(records);
    ClickEntry(5);
    EXPECT_EQ(page.m_groupView.m_nSelected, 5);
    EXPECT_EQ(Shown(), (std::vector<JobResult*>{&records[1], &records[5]}));
    ClickEntry(3);
    EXPECT_EQ(page.m_groupView.m_nSelected, 3);
    EXPECT_TRUE(Shown().empty());
    ClickEntry(0);
    EXPECT_EQ(Shown().size(), 8u);

    // Only entry 0 reaches into the 20-pixel indent; below the last entry
    // nothing is hit.
    ClickEntry(2);
    const std::vector<JobResult*> second = Shown();
    for (POINT p : {POINT{19, 3 * 32 + 5}, POINT{0, 9 * 32 + 31}, POINT{100, 10 * 32}, POINT{100, 390}}) {
        ClickGroups(p.x, p.y);
        EXPECT_EQ(page.m_groupView.m_nSelected, 2) << p.x << "," << p.y;
        EXPECT_EQ(Shown(), second);
    }
    ClickGroups(20, 3 * 32);
    EXPECT_EQ(page.m_groupView.m_nSelected, 3);
    ClickGroups(0, 31);
    EXPECT_EQ(page.m_groupView.m_nSelected, 0);
}

TEST_F(GroupViewSections, TicksLiveInTheRecordsAcrossSectionChanges)
{
    records = MixedRecords();
    page.OnEnter(records);
    ClickEntry(2);
    ClickCardTick(1); // record "c"
    EXPECT_FALSE(records[3].bSelected);
    ClickEntry(5);
    ClickCardTick(0); // record "b"
    ClickEntry(0);
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].bSelected, i != 1 && i != 3) << "record " << i;
    ClickCardTick(3); // "c" again, fourth card of all sections
    EXPECT_TRUE(records[3].bSelected);
}

TEST_F(GroupViewSections, KeysMoveTheSelectionAndFillTheCardsAsClicksDo)
{
    records = MixedRecords();
    page.OnEnter(records);
    struct Press {
        WPARAM key;
        int selected;
        size_t cards;
    } presses[] = {
        {VK_UP, 0, 8},   {VK_DOWN, 1, 0}, {VK_DOWN, 2, 3}, {VK_END, 9, 0},
        {VK_DOWN, 9, 0}, {VK_PRIOR, 0, 8}, {VK_NEXT, 9, 0}, {VK_HOME, 0, 8},
    };
    for (const Press& press : presses) {
        SendMessageA(Groups(), WM_KEYDOWN, press.key, 1);
        EXPECT_EQ(page.m_groupView.m_nSelected, press.selected) << "key " << press.key;
        EXPECT_EQ(Shown().size(), press.cards) << "key " << press.key;
    }
}

TEST_F(GroupViewSections, TheSelectedEntryIsAGreyBlueBox)
{
    records = MixedRecords();
    page.OnEnter(records);
    ClientPixels first(Groups());
    EXPECT_EQ(first.At(0, 16), RGB(0, 0, 0)) << "outline of entry 0 from the left edge";
    EXPECT_EQ(first.At(3, 3), kSelected);
    EXPECT_TRUE(first.Contains(RECT{32, 0, 264, 32}, RGB(196, 0, 0))) << "the all-sections text";
    EXPECT_EQ(first.At(3, 32 + 3), kBackground);

    ClickEntry(3);
    ClientPixels third(Groups());
    EXPECT_EQ(third.At(3, 3), kBackground);
    EXPECT_EQ(third.At(10, 3 * 32 + 16), kBackground) << "indent beside the box";
    EXPECT_EQ(third.At(20, 3 * 32 + 16), RGB(0, 0, 0));
    EXPECT_EQ(third.At(23, 3 * 32 + 3), kSelected);
    EXPECT_TRUE(third.Contains(RECT{52, 3 * 32, 264, 4 * 32}, RGB(0, 0, 0))) << "the section's name";
    EXPECT_EQ(third.At(100, 10 * 32 + 10), kBackground) << "below the last entry";
}

using ResultPageVisits = ResultPageTest;

TEST_F(ResultPageVisits, ControlsCoverThePage)
{
    RECT groups, cards;
    GetWindowRect(Groups(), &groups);
    GetWindowRect(Cards(), &cards);
    MapWindowPoints(nullptr, page.m_hWndPage, reinterpret_cast<POINT*>(&groups), 2);
    MapWindowPoints(nullptr, page.m_hWndPage, reinterpret_cast<POINT*>(&cards), 2);
    const RECT left = {0, 0, 264, 396};
    const RECT right = {264, 0, 690, 396};
    EXPECT_TRUE(EqualRect(&groups, &left));
    EXPECT_TRUE(EqualRect(&cards, &right));
}

TEST_F(ResultPageVisits, AnEmptyVectorShowsEverySectionAtZero)
{
    page.OnEnter(records);
    EXPECT_EQ(Counts(), std::vector<int>(kJobs, 0));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(page.m_groupView.m_nSelected, 0);
}

TEST_F(ResultPageVisits, EveryVisitStartsAtAllSectionsAtTheTopWithTheSameTicks)
{
    for (int i = 0; i < 40; ++i)
        records.push_back(Record(1 + i % 3, "p"));
    page.OnEnter(records);
    ClickEntry(1);
    ClickCardTick(0);
    SendMessageA(Cards(), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    ASSERT_EQ(page.m_resultView.m_nScrollPos, 300);
    page.OnExit();

    page.OnEnter(records);
    EXPECT_EQ(page.m_groupView.m_nSelected, 0);
    EXPECT_EQ(page.m_resultView.m_nScrollPos, 0);
    SCROLLINFO si = {sizeof(si), SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(Cards(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, 0);
    EXPECT_EQ(Shown().size(), 40u);
    EXPECT_FALSE(records[0].bSelected);

    // A different vector replaces every section and card.
    std::vector<JobResult> other = {Record(4, "q")};
    page.OnEnter(other);
    EXPECT_EQ(Shown(), std::vector<JobResult*>{&other[0]});
    EXPECT_EQ(Counts()[1], 0);
    EXPECT_EQ(Counts()[4], 1);
}

} // namespace
