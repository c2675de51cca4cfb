#pragma once

#include <windows.h>

namespace ovra {

// A lock shared by threads (the scan's and the user interface's, or the
// threads of one walk); Guard holds it for one scope.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    // Waits on condition with the lock held by the caller's Guard; the lock
    // is let go during the wait and held again when it ends.
    void Sleep(CONDITION_VARIABLE& condition) { SleepConditionVariableCS(&condition, &m_section, INFINITE); }

    class Guard {
    public:
        explicit Guard(CriticalSection& lock) : m_lock(lock) { EnterCriticalSection(&m_lock.m_section); }
        ~Guard() { LeaveCriticalSection(&m_lock.m_section); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection& m_lock;
    };

private:
    CRITICAL_SECTION m_section;
};

} // namespace ovra
