#pragma once

// Process-local recursive mutex of the runtime library: a C-style handle API and a C++ owner.
// A thread that holds the mutex may lock it again; it is free once every lock is undone.
// Unlocking from a thread that does not hold it is refused rather than undefined.

struct QPX_MutexImpl;
typedef QPX_MutexImpl *QPX_MUTEX;

enum { QPX_OK = 0, QPX_ERROR = -1 };

// Each call answers QPX_OK or QPX_ERROR (null or unset handle, unlock by a non-owner, destroy while held).
int QPX_MutexCreate(QPX_MUTEX *mutex);
int QPX_MutexLock(QPX_MUTEX *mutex);
int QPX_MutexUnlock(QPX_MUTEX *mutex);
int QPX_MutexDestroy(QPX_MUTEX *mutex);

class QPX_Mutex
{
public:
    QPX_Mutex();
    ~QPX_Mutex();
    QPX_Mutex(const QPX_Mutex &) = delete;
    QPX_Mutex &operator=(const QPX_Mutex &) = delete;

    int Lock();
    int Unlock();

private:
    QPX_MUTEX m_handle = nullptr;
};
