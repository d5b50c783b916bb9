#include "qpx/qpxmutex.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

// Owner and depth are tracked by hand (rather than std::recursive_mutex) so that a stray unlock
// from the wrong thread is reported instead of corrupting the lock.
struct QPX_MutexImpl
{
    std::mutex guard;
    std::condition_variable released;
    std::thread::id owner;
    unsigned depth = 0;
};

int QPX_MutexCreate(QPX_MUTEX *mutex)
{
    if (!mutex)
        return QPX_ERROR;
    *mutex = new (std::nothrow) QPX_MutexImpl;
    return *mutex ? QPX_OK : QPX_ERROR;
}

int QPX_MutexLock(QPX_MUTEX *mutex)
{
    if (!mutex || !*mutex)
        return QPX_ERROR;
    QPX_MutexImpl &m = **mutex;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m.guard);
    if (m.depth > 0 && m.owner == self) {
        ++m.depth;
        return QPX_OK;
    }
    m.released.wait(lock, [&m] { return m.depth == 0; });
    m.owner = self;
    m.depth = 1;
    return QPX_OK;
}

int QPX_MutexUnlock(QPX_MUTEX *mutex)
{
    if (!mutex || !*mutex)
        return QPX_ERROR;
    QPX_MutexImpl &m = **mutex;
    std::unique_lock<std::mutex> lock(m.guard);
    if (m.depth == 0 || m.owner != std::this_thread::get_id())
        return QPX_ERROR;
    if (--m.depth == 0) {
        m.owner = std::thread::id();
        lock.unlock();
        m.released.notify_one();
    }
    return QPX_OK;
}

int QPX_MutexDestroy(QPX_MUTEX *mutex)
{
    if (!mutex || !*mutex)
        return QPX_ERROR;
    {
        std::lock_guard<std::mutex> lock((*mutex)->guard);
        if ((*mutex)->depth != 0)
            return QPX_ERROR;
    }
    delete *mutex;
    *mutex = nullptr;
    return QPX_OK;
}

QPX_Mutex::QPX_Mutex()
{
    QPX_MutexCreate(&m_handle);
}

QPX_Mutex::~QPX_Mutex()
{
    QPX_MutexDestroy(&m_handle);
}

int QPX_Mutex::Lock()
{
    return QPX_MutexLock(&m_handle);
}

int QPX_Mutex::Unlock()
{
    return QPX_MutexUnlock(&m_handle);
}
