#pragma once

#include "qpx/qpxmutex.h"

// Holds a QPX_Mutex for the lifetime of the guard.
class QPX_Guard
{
public:
    explicit QPX_Guard(QPX_Mutex &mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~QPX_Guard() { m_mutex.Unlock(); }
    QPX_Guard(const QPX_Guard &) = delete;
    QPX_Guard &operator=(const QPX_Guard &) = delete;

private:
    QPX_Mutex &m_mutex;
};
