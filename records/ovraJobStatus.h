#pragma once

#include <atomic>
#include <cstdint>

namespace ovra {

// Handed to a running job: the count of records it appended, and the cancel
// request that the user-interface thread sets while the scan thread polls it.
// A job may walk a large key on several threads at once, so both are atomic.
struct JobStatus {
    std::atomic<int32_t> nCount{0};
    std::atomic<bool> bCancel{false};
};

} // namespace ovra
