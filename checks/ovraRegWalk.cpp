#include "checks/ovraRegWalk.h"

#include "platform/ovraAssert.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraExistenceCache.h"
#include "platform/ovraKeyCloser.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraWorkers.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <unordered_set>
#include <utility>

namespace ovra {

namespace {

bool ReadCount(HKEY key, DWORD* subkeys, DWORD* values)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

bool OpenWithSubkeys(RegKey& key, HKEY root, const char* path, DWORD& count)
{
    return key.Open(root, path, KEY_READ) && ReadCount(key.Get(), &count, nullptr);
}

// Visits the subkeys at indexes first .. end - 1 of key.
void WalkIndexes(HKEY key, DWORD first, DWORD end, const std::atomic<bool>* cancel,
                 const std::function<void(HKEY parent, const char* name)>& visit)
{
    wchar_t wideName[kRegTextSize];
    char name[kRegTextSize];
    for (DWORD index = first; index < end; ++index) {
        if (cancel && cancel->load())
            return;
        DWORD nameLength = kRegTextSize;
        if (RegEnumKeyExW(key, index, wideName, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            !CodePage::ToAnsiText(wideName, nameLength, name, kRegTextSize))
            continue;
        PathViews::Forget();
        visit(key, name);
    }
}

// Visits the values at indexes first .. end - 1 of key.
void WalkValueIndexes(HKEY key, DWORD first, DWORD end, RegWalk::Data what, const std::atomic<bool>* cancel,
                      const std::function<void(RegValue&)>& visit)
{
    wchar_t wideName[kRegTextSize];
    wchar_t wideData[kRegTextSize];
    char name[kRegTextSize];
    char data[kRegTextSize];
    for (DWORD index = first; index < end; ++index) {
        if (cancel && cancel->load())
            return;
        DWORD nameLength = kRegTextSize;
        DWORD dataLength = sizeof(wideData);
        DWORD type = REG_NONE;
        const LONG rc = what == RegWalk::Data::kNone
                            ? RegEnumValueW(key, index, wideName, &nameLength, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumValueW(key, index, wideName, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(wideData), &dataLength);
        if (rc != ERROR_SUCCESS || !CodePage::ToAnsiText(wideName, nameLength, name, kRegTextSize))
            continue;
        DWORD length = 0;
        if (what == RegWalk::Data::kTypeAndData &&
            !RegText::FromWide(type, reinterpret_cast<const BYTE*>(wideData), dataLength, data, length))
            continue;
        RegValue value{name, type, data, length, key};
        PathViews::Forget();
        visit(value);
    }
}

// What a record names: its root, key path, name and kind, the names without
// the case the registry ignores.
std::string Identity(const JobResult& record)
{
    std::string path = record.sKeyPath;
    std::string name = record.sName;
    CodePage::LowerAscii(&path[0], path.size());
    CodePage::LowerAscii(&name[0], name.size());
    return std::to_string(record.hRoot) + '\0' + std::to_string(record.nKind) + '\0' + path + '\0' + name;
}

} // namespace

// Eight threads: every registry call waits for its answer (under Wine a round
// trip to one server process), so threads that wait side by side walk
// 20,000 classes in a fraction of the time one takes, even on two cores.
// Under Wine 8 on two cores, eight walked the benchmark's classes faster
// than four, and sixteen no faster than eight.
int RegWalk::s_nSlices = 8;

// Names and data are read with the wide functions and turned into code-page
// text here, so that an entry the code page cannot hold exactly is skipped
// like one whose call fails: its look-alike text names something else.
void RegWalk::Values(HKEY root, const char* path, Data what, const std::function<void(RegValue&)>& visit)
{
    RegKey key;
    DWORD count = 0;
    if (key.Open(root, path, KEY_READ) && ReadCount(key.Get(), nullptr, &count))
        WalkValueIndexes(key.Get(), 0, count, what, nullptr, visit);
}

void RegWalk::Subkeys(HKEY root, const char* path, const std::atomic<bool>* cancel,
                      const std::function<void(HKEY parent, const char* name)>& visit)
{
    RegKey key;
    DWORD count = 0;
    if (!OpenWithSubkeys(key, root, path, count))
        return;
    WalkIndexes(key.Get(), 0, count, cancel, visit);
}

void RegWalk::SubkeysAndValues(HKEY root, const char* path, Data what,
                               const std::function<void(HKEY parent, const char* name)>& subkey,
                               const std::function<void(RegValue&)>& value)
{
    RegKey key;
    DWORD subkeys = 0, values = 0;
    if (!key.Open(root, path, KEY_READ) || !ReadCount(key.Get(), &subkeys, &values))
        return;
    WalkIndexes(key.Get(), 0, subkeys, nullptr, subkey);
    WalkValueIndexes(key.Get(), 0, values, what, nullptr, value);
}

void RegWalk::SplitSubkeys(HKEY root, const char* path, JobStatus& status, std::vector<JobResult>& results,
                           const SplitVisit& visit, unsigned long splitFrom)
{
    RegKey key;
    DWORD count = 0;
    if (!OpenWithSubkeys(key, root, path, count))
        return;
    Split(count, splitFrom, status, results, [&](DWORD first, DWORD end, std::vector<JobResult>& records) {
        WalkIndexes(key.Get(), first, end, &status.bCancel,
                    [&](HKEY parent, const char* name) { visit(parent, name, records); });
    });
}

void RegWalk::SplitValues(HKEY root, const char* path, Data what, JobStatus& status, std::vector<JobResult>& results,
                          const SplitValueVisit& visit)
{
    RegKey key;
    DWORD count = 0;
    if (!key.Open(root, path, KEY_READ) || !ReadCount(key.Get(), nullptr, &count))
        return;
    Split(count, kSplitFrom, status, results, [&](DWORD first, DWORD end, std::vector<JobResult>& records) {
        WalkValueIndexes(key.Get(), first, end, what, nullptr,
                         [&](RegValue& value) { visit(value, records); });
    });
}

void RegWalk::Split(DWORD count, unsigned long splitFrom, JobStatus& status, std::vector<JobResult>& results,
                    const std::function<void(DWORD first, DWORD end, std::vector<JobResult>& records)>& walk)
{
    OVRA_ASSERT(s_nSlices >= 1 && s_nSlices <= Workers::kMaxTasks, "ovraRegWalk");
    const int threads = count < splitFrom ? 1 : s_nSlices;
    // Each thread takes the next slice until none is left: entries differ
    // in cost, and with slices of one size per thread a thread whose entries
    // were quick would sit idle while another walks on.
    const DWORD slices = threads == 1 ? 1 : std::min<DWORD>(count, static_cast<DWORD>(threads) * kSlicesPerThread);
    std::vector<std::vector<JobResult>> found(slices);
    std::atomic<DWORD> next(0);
    RunShared(threads, [&](int) {
        for (DWORD slice = next++; slice < slices; slice = next++) {
            const DWORD first = static_cast<DWORD>(static_cast<unsigned long long>(count) * slice / slices);
            const DWORD end = static_cast<DWORD>(static_cast<unsigned long long>(count) * (slice + 1) / slices);
            walk(first, end, found[slice]);
        }
    });
    // An entry added or removed during the walk moves the indexes after it,
    // so one entry can be met twice, by one slice or by two: only its first
    // record is kept, and counted.
    std::unordered_set<std::string> seen;
    for (std::vector<JobResult>& records : found) {
        for (JobResult& record : records) {
            if (seen.insert(Identity(record)).second)
                results.push_back(std::move(record));
            else
                --status.nCount;
        }
    }
}

void RegWalk::SideBySide(JobStatus& status, std::vector<JobResult>& results, const std::vector<Part>& parts)
{
    OVRA_ASSERT(parts.size() <= static_cast<size_t>(Workers::kMaxTasks), "ovraRegWalk");
    std::vector<std::vector<JobResult>> found(parts.size());
    // Whether the cancel flag was set when each part ended: a part that ended
    // before it was set walked its whole list. Not vector<bool>, whose
    // elements share bytes: each thread writes its own.
    std::vector<char> cancelled(parts.size(), 0);
    if (s_nSlices == 1) {
        for (size_t part = 0; part < parts.size() && !status.bCancel; ++part) {
            parts[part](found[part]);
            cancelled[part] = status.bCancel;
        }
    } else {
        RunShared(static_cast<int>(parts.size()), [&](int part) {
            parts[static_cast<size_t>(part)](found[static_cast<size_t>(part)]);
            cancelled[static_cast<size_t>(part)] = status.bCancel;
        });
    }
    // As one after the other: the parts after the first that a cancel may
    // have cut short would not have run, so their records go.
    bool cut = false;
    for (size_t part = 0; part < found.size(); ++part) {
        for (JobResult& record : found[part]) {
            if (cut)
                --status.nCount;
            else
                results.push_back(std::move(record));
        }
        cut = cut || cancelled[part];
    }
}

void RegWalk::RunShared(int tasks, const std::function<void(int task)>& task)
{
    ExistenceCache* answers = ExistenceCache::Active();
    // The threads close their keys through the scan's closer, or one of the
    // walk's own: closed by each thread itself, they would wait for each
    // other.
    std::unique_ptr<KeyCloser> ownCloser;
    KeyCloser* closer = KeyCloser::Active();
    if (!closer && tasks > 1) {
        ownCloser.reset(new KeyCloser);
        closer = ownCloser.get();
    }
    Workers::Run(tasks, [&](int index) {
        const ExistenceCache::Share share(answers);
        const KeyCloser::Share closing(closer);
        task(index);
    });
}

void RegWalk::Report(const Job& job, JobStatus& status, std::vector<JobResult>& results, HKEY root,
                     const char* keyPath, const char* name, std::string problem, std::string section,
                     std::string value, int32_t kind, HKEY parent, HKEY entry)
{
    // A record is shown only when the backup can save what it names and put
    // it back the same: no name or string data the code page cannot hold.
    const bool fits = entry && kind == kKindKey ? RegText::TreeFitsCodePage(entry)
                      : parent              ? RegText::EntryFitsCodePage(parent, name, kind == kKindKey)
                                            : RegText::EntryFitsCodePage(root, keyPath, name, kind == kKindKey);
    if (!fits)
        return;
    JobResult record;
    record.hRoot = RootValue(root);
    record.sKeyPath = keyPath;
    record.sName = name;
    record.sProblem = std::move(problem);
    record.sSection = std::move(section);
    record.sValue = std::move(value);
    record.nJobId = job.m_nId;
    record.nKind = kind;
    record.bSelected = true;
    results.push_back(std::move(record));
    ++status.nCount;
}

uint32_t RegWalk::RootValue(HKEY root)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root));
}

const char* RegWalk::RootName(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    OVRA_ASSERT(root == HKEY_LOCAL_MACHINE, "ovraRegWalk");
    return "HKEY_LOCAL_MACHINE";
}

std::string RegWalk::Section(HKEY root, const char* keyPath)
{
    return RegText::Display("%s\\%s", RootName(root), keyPath);
}

} // namespace ovra
