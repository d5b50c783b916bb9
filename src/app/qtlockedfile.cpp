#include "app/qtlockedfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDebug>

namespace SharedTools {

QtLockedFile::QtLockedFile(const QString &name)
    : QFile(name)
    , m_path(name)
{
}

QtLockedFile::~QtLockedFile()
{
    if (isOpen())
        unlock();
}

bool QtLockedFile::openPrivate(QString *error)
{
    m_path = fileName();
    const int fd = ::open(QFile::encodeName(fileName()).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("%1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        *error = QStringLiteral("%1 is not a file of this user's").arg(m_path);
        ::close(fd);
        return false;
    }
    if (!open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        *error = errorString();
        ::close(fd);
        return false;
    }
    return true;
}

bool QtLockedFile::heldElsewhere() const
{
    return m_lockErrno == EWOULDBLOCK;
}

QString QtLockedFile::lockError() const
{
    return QString::fromLocal8Bit(std::strerror(m_lockErrno));
}

bool QtLockedFile::lock(LockMode mode, bool block)
{
    if (!isOpen()) {
        qWarning("QtLockedFile::lock(): file is not opened");
        m_lockErrno = EBADF;
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
        m_lockErrno = errno;
        if (errno != EWOULDBLOCK)
            qWarning("QtLockedFile::lock(): flock: %s", std::strerror(errno));
        return false;
    }
    m_lockErrno = 0;
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
