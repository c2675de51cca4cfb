#include "platform/ovraKeyCloser.h"

namespace ovra {

namespace {

thread_local KeyCloser* t_pActive = nullptr;

} // namespace

KeyCloser::KeyCloser()
    : m_hStop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_hThread(nullptr), m_nClosedAtOnce(0),
      m_bCannotStart(m_hStop == nullptr)
{
}

KeyCloser::~KeyCloser()
{
    if (m_hThread) {
        SetEvent(m_hStop);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }
    CloseQueued(); // what a thread handed over after the closer's last look
    if (m_hStop)
        CloseHandle(m_hStop);
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
    m_queue.push_back(key);
    return true;
}

void KeyCloser::CloseQueued()
{
    std::vector<HKEY> batch;
    for (;;) {
        {
            CriticalSection::Guard guard(m_lock);
            batch.swap(m_queue);
        }
        if (batch.empty())
            return;
        for (HKEY key : batch)
            RegCloseKey(key);
        batch.clear();
    }
}

// Closes what is queued, then waits a moment for more, until stopped; the
// last round closes what came in meanwhile.
DWORD WINAPI KeyCloser::ThreadProc(void* param)
{
    KeyCloser* closer = static_cast<KeyCloser*>(param);
    for (;;) {
        closer->CloseQueued();
        if (WaitForSingleObject(closer->m_hStop, 1) == WAIT_OBJECT_0) {
            closer->CloseQueued();
            return 0;
        }
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
