#include "platform/ovraKeyCloser.h"

namespace ovra {

namespace {

thread_local KeyCloser* t_pActive = nullptr;

} // namespace

KeyCloser::KeyCloser() : m_hThread(nullptr), m_nClosedAtOnce(0), m_bStop(false), m_bCannotStart(false)
{
    InitializeConditionVariable(&m_work);
    InitializeConditionVariable(&m_room);
}

KeyCloser::~KeyCloser()
{
    if (m_hThread) {
        {
            CriticalSection::Guard guard(m_lock);
            m_bStop = true;
            WakeConditionVariable(&m_work);
        }
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }
    CloseQueued(); // what a thread handed over after the closer's last look
}

KeyCloser* KeyCloser::Active()
{
    return t_pActive;
}

void KeyCloser::Close(HKEY key)
{
    if (!t_pActive || !t_pActive->Take(key))
        RegCloseKey(key);
}

bool KeyCloser::Take(HKEY key)
{
    CriticalSection::Guard guard(m_lock);
    if (!m_hThread) {
        if (m_bCannotStart || m_nClosedAtOnce < kCloseAtOnce) {
            ++m_nClosedAtOnce;
            return false;
        }
        m_hThread = CreateThread(nullptr, 0, &ThreadProc, this, 0, nullptr);
        m_bCannotStart = m_hThread == nullptr;
        if (m_bCannotStart)
            return false;
    }
    // A thread that runs far ahead of the closer waits for it: keys still
    // open at the end of a walk would keep the scan waiting alone for them.
    while (m_queue.size() >= kMostWaiting)
        m_lock.Sleep(m_room);
    if (m_queue.empty())
        WakeConditionVariable(&m_work);
    m_queue.push_back(key);
    return true;
}

void KeyCloser::CloseQueued()
{
    std::vector<HKEY> batch;
    for (;;) {
        {
            CriticalSection::Guard guard(m_lock);
            batch.clear();
            batch.swap(m_queue);
            WakeAllConditionVariable(&m_room);
        }
        if (batch.empty())
            return;
        for (HKEY key : batch)
            RegCloseKey(key);
    }
}

// Closes what is queued, then sleeps until more comes or it is stopped.
DWORD WINAPI KeyCloser::ThreadProc(void* param)
{
    KeyCloser* closer = static_cast<KeyCloser*>(param);
    for (;;) {
        closer->CloseQueued();
        CriticalSection::Guard guard(closer->m_lock);
        while (closer->m_queue.empty() && !closer->m_bStop)
            closer->m_lock.Sleep(closer->m_work);
        if (closer->m_queue.empty())
            return 0;
    }
}

KeyCloser::Share::Share(KeyCloser* closer) : m_pPrevious(t_pActive)
{
    t_pActive = closer;
}

KeyCloser::Share::~Share()
{
    t_pActive = m_pPrevious;
}

} // namespace ovra
