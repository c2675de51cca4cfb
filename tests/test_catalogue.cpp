// The job catalogue: the ten jobs, their ids and the one-catalogue rule.
#include "records/ovraEmptyJob.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

using ovra::JobEnumerator;

TEST(Catalogue, TenJobsNumberedByPosition)
{
    JobEnumerator catalogue;
    ASSERT_EQ(JobEnumerator::mSingleton, &catalogue);
    ASSERT_EQ(catalogue.m_jobs.size(), 10u);

    const char* names[] = {"My Computer",      "Registry Integrity", "Custom Controls",
                           "Software Locations", "Windows Fonts",    "Help and Resources",
                           "Shared Programs",  "Startup Programs",   "Add/Remove Programs",
                           "File Types"};
    const int icons[] = {107, 116, 117, 118, 119, 108, 120, 121, 122, 123};
    for (int i = 0; i < 10; ++i) {
        ovra::Job* job = catalogue.Find(i);
        ASSERT_NE(job, nullptr) << i;
        EXPECT_EQ(job, catalogue.m_jobs[i]);
        EXPECT_EQ(job->m_nId, i);
        EXPECT_EQ(job->m_strName, names[i]);
        EXPECT_EQ(job->m_nIconId, icons[i]);
    }
    EXPECT_EQ(catalogue.Find(7)->m_strDescription, catalogue.Find(1)->m_strDescription);
    EXPECT_EQ(catalogue.Find(8)->m_strDescription,
              "Powerful invalid program entry search using Ovra Sweepline technology.");
    EXPECT_EQ(catalogue.Find(9)->m_strDescription, "Scans file types, Open With entries and shell extensions.");
    EXPECT_EQ(catalogue.Find(-1), nullptr);
    EXPECT_EQ(catalogue.Find(10), nullptr);
}

TEST(Catalogue, RebuildGivesTheSameJobs)
{
    std::vector<std::string> first;
    {
        JobEnumerator catalogue;
        for (ovra::Job* job : catalogue.m_jobs)
            first.push_back(job->m_strName);
    }
    EXPECT_EQ(JobEnumerator::mSingleton, nullptr);
    JobEnumerator again;
    ASSERT_EQ(again.m_jobs.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(again.m_jobs[i]->m_strName, first[i]);
        EXPECT_EQ(again.m_jobs[i]->m_nId, static_cast<int>(i));
    }
}

TEST(CatalogueDeathTest, SecondCatalogueEndsTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            JobEnumerator first;
            JobEnumerator second;
        },
        testing::ExitedWithCode(3), "Assertion failed: mSingleton == 0, file ovraJobEnumerator");
}

TEST(Catalogue, MyComputerFindsNothing)
{
    JobEnumerator catalogue;
    ovra::JobStatus status;
    std::vector<ovra::JobResult> results(2);
    catalogue.Find(0)->OnRun(status, results);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(status.nCount, 0);
}

TEST(JobResult, CopiesEveryField)
{
    ovra::JobResult a;
    a.hRoot = 0x80000002u;
    a.sKeyPath = "k";
    a.sName = "n";
    a.sProblem = "p";
    a.sSection = "s";
    a.sValue = "v";
    a.nJobId = 6;
    a.nDataOffset = 43;
    a.nKind = 1;
    a.bSelected = true;
    const ovra::JobResult b = a;
    EXPECT_EQ(b.hRoot, a.hRoot);
    EXPECT_EQ(b.sKeyPath + b.sName + b.sProblem + b.sSection + b.sValue, "knpsv");
    EXPECT_EQ(b.nJobId, 6);
    EXPECT_EQ(b.nDataOffset, 43);
    EXPECT_EQ(b.nKind, 1);
    EXPECT_TRUE(b.bSelected);
}
