#pragma once

#include <windows.h>

namespace ovra {

// Frees what the security functions allocate with LocalAlloc.
class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory()
    {
        if (m_pMemory)
            LocalFree(m_pMemory);
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    void** Receive() { return &m_pMemory; }
    void* Get() const { return m_pMemory; }

private:
    void* m_pMemory = nullptr;
};

} // namespace ovra
