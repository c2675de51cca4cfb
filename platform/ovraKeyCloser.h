#pragma once

#include "platform/ovraCriticalSection.h"

#include <windows.h>

#include <vector>

namespace ovra {

// Closes the registry keys of the threads that use it on a thread of its
// own. Under Wine every close is a round trip to the server made under one
// lock of the whole process, so threads that walk a key side by side queue
// behind each other at each close, and each wait costs two system calls. A
// scan hands its closes here and walks on. Every key handed over is closed
// by the time the closer is destroyed. The first keys are closed at once by
// the threads that hand them over: a thread of its own starts only when
// there are more, and if it cannot start, every key is closed at once.
class KeyCloser {
public:
    class Share;

    KeyCloser();
    ~KeyCloser();
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

    // The calling thread's closer (Share), or null.
    static KeyCloser* Active();

    // Closes key now, or hands it to the calling thread's closer.
    static void Close(HKEY key);

private:
    static DWORD WINAPI ThreadProc(void* param);
    bool Take(HKEY key);
    void CloseQueued(); // on the closer's thread, or after it ended

    // Keys closed at once before the closer's thread starts.
    static const unsigned kCloseAtOnce = 64;

    // Keys waiting for the closer, past which a thread waits too.
    static const size_t kMostWaiting = 1024;

    CriticalSection m_lock; // guards every member below
    std::vector<HKEY> m_queue;
    CONDITION_VARIABLE m_work; // the queue is no longer empty, or stop
    CONDITION_VARIABLE m_room; // the closer took a new batch
    HANDLE m_hThread;          // null until started
    unsigned m_nClosedAtOnce;
    bool m_bStop;
    bool m_bCannotStart;
};

// Makes a closer (may be null) the calling thread's for its own lifetime
// and puts the previous one back when it ends. The closer must outlive it.
class KeyCloser::Share {
public:
    explicit Share(KeyCloser* closer);
    ~Share();
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;

private:
    KeyCloser* m_pPrevious;
};

} // namespace ovra
