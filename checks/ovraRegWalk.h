#pragma once

#include "platform/ovraRegText.h"
#include "records/ovraJob.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ovra {

// One value met by a walk. name and data live in the walk's own buffers and
// are valid only during the visit; data may be terminated in place.
struct RegValue {
    const char* name;
    DWORD type;
    char* data;
    DWORD length;
    HKEY key; // the key walked, open during the visit
};

// The walks every check makes: open a key for reading, read the count once,
// visit each index from 0 with name and data buffers of kRegTextSize bytes
// whose lengths are reset before every call, skip an index that fails or
// whose name or string data the code page cannot hold exactly, and close the
// key on every path.
class RegWalk {
public:
    enum class Data { kNone, kTypeAndData };

    static void Values(HKEY root, const char* path, Data what, const std::function<void(RegValue&)>& visit);

    // Visits the subkey names; with cancel given, the flag is read before
    // each index and a set flag ends the walk.
    static void Subkeys(HKEY root, const char* path, const std::atomic<bool>* cancel,
                        const std::function<void(HKEY parent, const char* name)>& visit);

    // Subkeys, then Values, of one key opened and counted once: for the
    // small lists that hold entries of both kinds.
    static void SubkeysAndValues(HKEY root, const char* path, Data what,
                                 const std::function<void(HKEY parent, const char* name)>& subkey,
                                 const std::function<void(RegValue&)>& value);

    // What SplitSubkeys calls for each subkey: records is the visiting
    // thread's own list, where Report appends.
    using SplitVisit = std::function<void(HKEY parent, const char* name, std::vector<JobResult>& records)>;

    // Subkeys for the keys that hold thousands of entries: the index range
    // is cut into slices that threads of their own take in turn and walk
    // side by side, and the slices' records are then appended to results
    // in index order, so results hold what one thread walking in order
    // would have found. Each registry question waits for its answer; walked
    // side by side, the waits overlap. The cancel flag of status is read
    // before each index, and all threads use the calling thread's
    // file-system answers. A visit may run beside another: it touches
    // nothing shared but status, those answers and what it only reads.
    // splitFrom is the fewest subkeys worth slices; a list whose every entry
    // is a walk of its own is worth them sooner.
    static void SplitSubkeys(HKEY root, const char* path, JobStatus& status, std::vector<JobResult>& results,
                             const SplitVisit& visit, unsigned long splitFrom = kSplitFrom);

    // Values, cut into slices as SplitSubkeys cuts subkeys, for the lists
    // that hold thousands of values; the visit gets its thread's records.
    // Like Values, it reads no cancel flag: a value list, once begun, is
    // walked to its end.
    using SplitValueVisit = std::function<void(RegValue& value, std::vector<JobResult>& records)>;
    static void SplitValues(HKEY root, const char* path, Data what, JobStatus& status,
                            std::vector<JobResult>& results, const SplitValueVisit& visit);

    // A job's walks of different keys, run side by side as the slices of a
    // split walk are, with the calling thread's file-system answers. Their
    // records are appended to results as if each part had run after the one
    // before and had not started once the cancel flag was set: the records
    // of the parts after the first one that ended with the flag set are
    // dropped, and uncounted. A part reads the flag as its walk would alone.
    // With s_nSlices at 1 the parts run one after the other on the calling
    // thread.
    using Part = std::function<void(std::vector<JobResult>& records)>;
    static void SideBySide(JobStatus& status, std::vector<JobResult>& results, const std::vector<Part>& parts);

    // The threads a split walk of kSplitFrom entries or more runs on (1 to
    // Workers::kMaxTasks), each taking kSlicesPerThread slices on average.
    // Tests and the benchmark set 1 to compare with one thread.
    static const unsigned long kSplitFrom = 64;
    static int s_nSlices;

    // Appends one ticked record of job and counts it, unless what it names
    // holds text the code page cannot hold exactly (RegText::EntryFitsCodePage).
    // parent, when the caller has it, is the key at keyPath, open; entry,
    // for a key record, the key it names, open: neither is opened again.
    static void Report(const Job& job, JobStatus& status, std::vector<JobResult>& results, HKEY root,
                       const char* keyPath, const char* name, std::string problem, std::string section,
                       std::string value, int32_t kind, HKEY parent = nullptr, HKEY entry = nullptr);

    // A predefined root as the 32-bit value records carry.
    static uint32_t RootValue(HKEY root);

    // The root's name as section texts show it ("HKEY_CURRENT_USER").
    static const char* RootName(HKEY root);

    // A key as section texts show it: its root's name, a backslash, the path.
    static std::string Section(HKEY root, const char* keyPath);

    // Calls walk for each slice of indexes 0 .. count - 1 side by side, then
    // joins the slices' records into results in index order; a list of
    // fewer than splitFrom entries is one slice. Also for a list the job
    // holds itself.
    static void Split(DWORD count, unsigned long splitFrom, JobStatus& status, std::vector<JobResult>& results,
                      const std::function<void(DWORD first, DWORD end, std::vector<JobResult>& records)>& walk);

private:

    // The slices of a split walk per thread.
    static const DWORD kSlicesPerThread = 4;

    // Calls task(i) for i in 0 .. tasks - 1 side by side, each thread
    // sharing the caller's file-system answers and key closer.
    static void RunShared(int tasks, const std::function<void(int task)>& task);
};

} // namespace ovra
