// Walking a key with thousands of subkeys or values on several threads at
// once: every entry is visited once, the records come out as one thread
// would give them, and the threads share the scan's file-system answers.
#include "checks/ovraRegWalk.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"
#include "platform/ovraCriticalSection.h"
#include "platform/ovraExistenceCache.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraKeyCloser.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraWorkerPool.h"
#include "platform/ovraWorkers.h"
#include "records/ovraEmptyJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kKey[] = "Software\\ovra_split";
const char kValues[] = "Software\\ovra_split_values";
const char kDir[] = "C:\\ovra_split";
const int kEntries = 1300; // well past the size walked by one thread

std::string EntryName(int i)
{
    char name[32];
    std::snprintf(name, sizeof(name), "{ovra-split-%04d}", i);
    return name;
}

// Every seventh entry names a file that is gone; the rest share one that is there.
class SplitWalk : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        create_dir(kDir);
        create_file("C:\\ovra_split\\live.dll", "MZ");
        for (int i = 0; i < kEntries; ++i) {
            const std::string path = std::string(kKey) + "\\" + EntryName(i);
            const std::string server = i % 7 ? "C:\\ovra_split\\live.dll" : "C:\\ovra_split\\gone" + std::to_string(i) + ".dll";
            add_sz(HKEY_CURRENT_USER, path.c_str(), nullptr, server.c_str());
            add_sz(HKEY_CURRENT_USER, kValues, EntryName(i).c_str(), server.c_str());
        }
    }
    static void TearDownTestSuite()
    {
        delete_tree(HKEY_CURRENT_USER, kKey);
        delete_tree(HKEY_CURRENT_USER, kValues);
        remove_dir_tree(kDir);
    }
    void SetUp() override { slicesBefore = ovra::RegWalk::s_nSlices; }
    void TearDown() override { ovra::RegWalk::s_nSlices = slicesBefore; }

    // Walks the key in slices, reporting each dead entry; notes every name
    // visited, every thread that visited, and whether each visit saw scope's
    // answers.
    std::vector<ovra::JobResult> Walk(int slices, ovra::ExistenceCache::Scope& scope, bool cancelled = false)
    {
        ovra::RegWalk::s_nSlices = slices;
        visited.clear();
        threads.clear();
        sharedAnswers = true;
        ovra::JobStatus status;
        status.bCancel = cancelled;
        std::vector<ovra::JobResult> results;
        ovra::RegWalk::SplitSubkeys(
            HKEY_CURRENT_USER, kKey, status, results,
            [&](HKEY parent, const char* name, std::vector<ovra::JobResult>& records) {
                {
                    ovra::CriticalSection::Guard guard(lock);
                    visited.push_back(name);
                    threads.insert(GetCurrentThreadId());
                    sharedAnswers = sharedAnswers && ovra::ExistenceCache::Active() == &scope.Get();
                }
                char data[ovra::kRegTextSize];
                char expanded[ovra::kRegTextSize];
                const char* server =
                    ovra::RegText::DefaultValue(parent, name, data, expanded, ovra::RegText::Owner::kMachine);
                if (server && !ovra::FileUtils::FileExits(server))
                    ovra::RegWalk::Report(job, status, records, HKEY_CURRENT_USER, kKey, name, "gone", kKey, server,
                                          ovra::kKindKey);
            });
        EXPECT_EQ(status.nCount, static_cast<int>(results.size()));
        return results;
    }

    // The same over the values of kValues, each naming a file.
    std::vector<ovra::JobResult> WalkValues(int slices)
    {
        ovra::RegWalk::s_nSlices = slices;
        visited.clear();
        threads.clear();
        ovra::JobStatus status;
        std::vector<ovra::JobResult> results;
        ovra::RegWalk::SplitValues(HKEY_CURRENT_USER, kValues, ovra::RegWalk::Data::kTypeAndData, status, results,
                                   [&](ovra::RegValue& value, std::vector<ovra::JobResult>& records) {
                                       {
                                           ovra::CriticalSection::Guard guard(lock);
                                           visited.push_back(value.name);
                                           threads.insert(GetCurrentThreadId());
                                       }
                                       if (!ovra::FileUtils::FileExits(value.data))
                                           ovra::RegWalk::Report(job, status, records, HKEY_CURRENT_USER, kValues,
                                                                 value.name, "gone", kValues, value.data,
                                                                 ovra::kKindValue);
                                   });
        EXPECT_EQ(status.nCount, static_cast<int>(results.size()));
        return results;
    }

    ovra::EmptyJob job;
    ovra::CriticalSection lock;
    std::vector<std::string> visited;
    std::set<DWORD> threads;
    bool sharedAnswers = true;
    int slicesBefore = 0; // the program's own number of slices
};

} // namespace

TEST_F(SplitWalk, SideBySideFindsWhatOneThreadFindsInTheSameOrder)
{
    ovra::ExistenceCache::Scope one;
    const std::vector<std::string> alone = RecordTexts(Walk(1, one));
    EXPECT_EQ(threads.size(), 1u);
    ASSERT_EQ(alone.size(), static_cast<size_t>((kEntries + 6) / 7));

    ovra::ExistenceCache::Scope scope;
    const std::vector<std::string> split = RecordTexts(Walk(slicesBefore, scope));
    EXPECT_EQ(split, alone);
    EXPECT_GT(threads.size(), 1u) << "the walk never left the calling thread";
    EXPECT_TRUE(sharedAnswers) << "a slice asked the file system past the scan's answers";
    std::sort(visited.begin(), visited.end());
    std::vector<std::string> every;
    for (int i = 0; i < kEntries; ++i)
        every.push_back(EntryName(i));
    EXPECT_EQ(visited, every) << "a subkey was skipped or visited twice";
    // The shared file was looked at once for all its entries, whichever
    // thread asked (or once by each slice that asked at the same moment).
    EXPECT_LE(scope.Get().Misses(), one.Get().Misses() + static_cast<unsigned long>(slicesBefore - 1));
}

TEST_F(SplitWalk, AValueListSideBySideFindsWhatOneThreadFindsInTheSameOrder)
{
    ovra::ExistenceCache::Scope scope;
    const std::vector<std::string> alone = RecordTexts(WalkValues(1));
    ASSERT_EQ(alone.size(), static_cast<size_t>((kEntries + 6) / 7));
    EXPECT_EQ(RecordTexts(WalkValues(slicesBefore)), alone);
    EXPECT_GT(threads.size(), 1u) << "the walk never left the calling thread";
    EXPECT_EQ(visited.size(), static_cast<size_t>(kEntries));
    EXPECT_EQ(std::set<std::string>(visited.begin(), visited.end()).size(), visited.size()) << "a value visited twice";
}

// Under Wine a thread that closes a key waits for any other doing the same,
// so a scan closes its keys on a thread of its own; none may be left open.
TEST_F(SplitWalk, EveryKeyHandedToACloserIsClosedWhenItEnds)
{
    std::vector<HKEY> handed;
    {
        ovra::KeyCloser closer;
        const ovra::KeyCloser::Share closing(&closer);
        // More than the closer lets wait, so the thread also waits for it; the
        // last ones are still queued at the end.
        for (int i = 0; i < 3000; ++i) {
            ovra::RegKey key;
            ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, KEY_READ));
            handed.push_back(key.Get());
        }
    }
    int open = 0;
    for (HKEY key : handed)
        open += RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr) == ERROR_SUCCESS;
    EXPECT_EQ(open, 0);
}

// A small walk closes its keys as it goes, and a closer shared on a thread
// is that thread's only while the share lasts.
TEST_F(SplitWalk, TheFirstKeysHandedToACloserAreClosedAtOnce)
{
    ovra::KeyCloser closer;
    {
        const ovra::KeyCloser::Share closing(&closer);
        EXPECT_EQ(ovra::KeyCloser::Active(), &closer);
        HKEY first = nullptr;
        {
            ovra::RegKey key;
            ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, KEY_READ));
            first = key.Get();
        }
        EXPECT_NE(RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_SUCCESS)
            << "the key stayed open while its closer lasted";
    }
    EXPECT_EQ(ovra::KeyCloser::Active(), nullptr);
}

TEST_F(SplitWalk, ACancelledScanVisitsNothing)
{
    ovra::ExistenceCache::Scope scope;
    EXPECT_TRUE(Walk(4, scope, true).empty());
    EXPECT_TRUE(visited.empty());
}

TEST_F(SplitWalk, TasksWhoseThreadsCannotStartRunOnTheCallingThread)
{
    for (bool pooled : {false, true}) {
        std::unique_ptr<ovra::WorkerPool> pool(pooled ? new ovra::WorkerPool : nullptr);
        // More than the address space of either build can hold.
        ovra::Workers::s_nStackReserve = sizeof(size_t) == 8 ? static_cast<size_t>(1) << 62 : 0x7FF00000;
        std::vector<int> ran(6, 0);
        std::set<DWORD> ranOn;
        ovra::Workers::Run(6, [&](int index) {
            ++ran[static_cast<size_t>(index)];
            ranOn.insert(GetCurrentThreadId());
        });
        ovra::Workers::s_nStackReserve = 0;
        EXPECT_EQ(ran, std::vector<int>(6, 1)) << "pooled " << pooled;
        EXPECT_EQ(ranOn, std::set<DWORD>{GetCurrentThreadId()}) << "pooled " << pooled;
    }
}

TEST_F(SplitWalk, APoolRunsEveryTaskOnceAndKeepsItsThreadsForTheNextRun)
{
    ovra::WorkerPool pool;
    std::atomic<int> ran[ovra::Workers::kMaxTasks * ovra::Workers::kMaxTasks] = {};
    for (int round = 0; round < 2; ++round) {
        // Each task runs tasks of its own, as a part of a job walks in slices.
        ovra::Workers::Run(4, [&](int outer) {
            ovra::Workers::Run(8, [&](int inner) { ++ran[outer * 8 + inner]; });
        });
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(ran[i].load(), round + 1) << "task " << i;
        // 3 for the outer tasks and 7 for each of the four inner runs.
        EXPECT_LE(pool.Threads(), 3 + 4 * 7) << "round " << round;
    }
    const int threads = pool.Threads();
    ovra::Workers::Run(8, [&](int) {});
    EXPECT_EQ(pool.Threads(), threads) << "idle threads were not used again";
}

// Parts' records come in part order; once a cancel may have cut a part
// short, the parts after it are as if never run: side by side, the records
// are whole parts from the first; one after the other, exactly those up to
// the part that saw the cancel.
TEST_F(SplitWalk, PartsSideBySideKeepTheirOrderAndACancelDropsWhatFollowsTheCutPart)
{
    ovra::ExistenceCache::Scope scope;
    for (int slices : {8, 1}) {
        ovra::RegWalk::s_nSlices = slices;
        for (int cutAfter = -1; cutAfter < 3; ++cutAfter) {
            ovra::JobStatus status;
            std::vector<ovra::JobResult> results;
            std::vector<ovra::RegWalk::Part> parts;
            for (int part = 0; part < 3; ++part) {
                parts.push_back([&, part](std::vector<ovra::JobResult>& records) {
                    for (int i = 0; i < 2; ++i)
                        ovra::RegWalk::Report(job, status, records, HKEY_CURRENT_USER, kKey,
                                              EntryName(part * 2 + i).c_str(), "gone", kKey, "", ovra::kKindKey);
                    if (part == cutAfter)
                        status.bCancel = true;
                });
            }
            ovra::RegWalk::SideBySide(status, results, parts);
            const size_t most = cutAfter < 0 ? 6 : static_cast<size_t>(cutAfter + 1) * 2;
            if (slices == 1 || cutAfter < 0) {
                EXPECT_EQ(results.size(), most) << "cut after part " << cutAfter;
            }
            EXPECT_LE(results.size(), most) << "cut after part " << cutAfter;
            EXPECT_EQ(results.size() % 2, 0u) << "a part was kept in half";
            EXPECT_EQ(status.nCount, static_cast<int>(results.size()));
            for (size_t i = 0; i < results.size(); ++i)
                EXPECT_EQ(results[i].sName, EntryName(static_cast<int>(i)));
        }
    }
}

// A subkey added during the walk moves every index after it: an entry met
// again is reported once, and counted once.
TEST_F(SplitWalk, AnEntryMetTwiceWhileTheKeyChangesIsReportedOnce)
{
    const std::string added = std::string(kKey) + "\\{ovra-split-!}";
    ovra::JobStatus status;
    std::vector<ovra::JobResult> results;
    bool inserted = false;
    ovra::RegWalk::SplitSubkeys(HKEY_CURRENT_USER, kKey, status, results,
                                [&](HKEY, const char* name, std::vector<ovra::JobResult>& records) {
                                    {
                                        ovra::CriticalSection::Guard guard(lock);
                                        visited.push_back(name);
                                        if (!inserted && name == EntryName(0)) {
                                            add_key(HKEY_CURRENT_USER, added.c_str());
                                            inserted = true;
                                        }
                                    }
                                    ovra::RegWalk::Report(job, status, records, HKEY_CURRENT_USER, kKey, name, "seen",
                                                          kKey, name, ovra::kKindKey);
                                });
    delete_tree(HKEY_CURRENT_USER, added.c_str());
    EXPECT_EQ(std::count(visited.begin(), visited.end(), EntryName(0)), 2) << "the walk met no entry twice";
    std::set<std::string> names;
    for (const ovra::JobResult& record : results)
        EXPECT_TRUE(names.insert(record.sName).second) << record.sName << " reported twice";
    EXPECT_EQ(status.nCount, static_cast<int>(results.size()));
}
