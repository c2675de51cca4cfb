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

    // Appends one ticked record of job and counts it, unless what it names
    // holds text the code page cannot hold exactly (RegText::EntryFitsCodePage).
    static void Report(const Job& job, JobStatus& status, std::vector<JobResult>& results, HKEY root,
                       const char* keyPath, const char* name, std::string problem, std::string section,
                       std::string value, int32_t kind);

    // A predefined root as the 32-bit value records carry.
    static uint32_t RootValue(HKEY root);

    // The root's name as section texts show it ("HKEY_CURRENT_USER").
    static const char* RootName(HKEY root);

    // A key as section texts show it: its root's name, a backslash, the path.
    static std::string Section(HKEY root, const char* keyPath);
};

} // namespace ovra
