#pragma once

#include <cstdint>
#include <string>

namespace ovra {

// One registry problem: found by a scan job, ticked on the result page,
// written to and read from backups, deleted or restored by the executor.
struct JobResult {
    uint32_t hRoot = 0;        // predefined root key as its handle value (0x80000000..2)
    std::string sKeyPath;      // key below the root, no leading backslash
    std::string sName;         // kind 0: value name ("" = default); kind 1: subkey name
    std::string sProblem;      // bold title of the card
    std::string sSection;      // shown after "Section: "
    std::string sValue;        // shown after "Value: "
    int32_t nJobId = 0;        // catalogue index of the job that found it
    int32_t nDataOffset = 0;   // position of the saved data in its backup file
    int32_t nKind = 0;         // 0 value, 1 key with its whole subtree
    bool bSelected = false;    // ticked for repair or restore
};

enum : int32_t { kKindValue = 0, kKindKey = 1 };

} // namespace ovra
