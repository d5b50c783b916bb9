#include "app/qtlockedfile.h"

#include <cerrno>
#include <cstring>

#include <sys/file.h>

#include <QDebug>

namespace SharedTools {

QtLockedFile::QtLockedFile(const QString &name)
    : QFile(name)
{
}

QtLockedFile::~QtLockedFile()
{
    if (isOpen())
        unlock();
}

bool QtLockedFile::lock(LockMode mode, bool block)
{
    if (!isOpen()) {
        qWarning("QtLockedFile::lock(): file is not opened");
        return false;
    }
    if (mode == NoLock)
        return unlock();
    if (mode == m_lockMode)
        return true;
    if (m_lockMode != NoLock)
        unlock();

    int operation = mode == WriteLock ? LOCK_EX : LOCK_SH;
    if (!block)
        operation |= LOCK_NB;
    int result;
    do {
        result = ::flock(handle(), operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno != EWOULDBLOCK)
            qWarning("QtLockedFile::lock(): flock: %s", std::strerror(errno));
        return false;
    }
    m_lockMode = mode;
    return true;
}

bool QtLockedFile::unlock()
{
    if (!isOpen()) {
        qWarning("QtLockedFile::unlock(): file is not opened");
        return false;
    }
    if (!isLocked())
        return true;
    if (::flock(handle(), LOCK_UN) != 0) {
        qWarning("QtLockedFile::unlock(): flock: %s", std::strerror(errno));
        return false;
    }
    m_lockMode = NoLock;
    return true;
}

} // namespace SharedTools
