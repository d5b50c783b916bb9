#pragma once

#include <QFile>

namespace SharedTools {

// A file that can be locked across processes, with flock(): one writer or many readers. The kernel
// drops the lock when its holder ends, however it ends, so a killed copy never blocks the next.
class QtLockedFile : public QFile
{
public:
    enum LockMode { NoLock = 0, ReadLock = 1, WriteLock = 2 };

    QtLockedFile() = default;
    explicit QtLockedFile(const QString &name);
    ~QtLockedFile() override;

    // Opens the file for reading and writing, creating it with mode 0600 if missing, but never
    // through a symbolic link and only when it is a regular file owned by this user. False with
    // `error` saying why otherwise.
    // QFile forgets the name of a file it opens from a descriptor; path() keeps it.
    bool openPrivate(QString *error);
    QString path() const { return m_path; }

    bool lock(LockMode mode, bool block = true);
    // After a failed lock(): whether another holder has it, rather than the lock failing.
    bool heldElsewhere() const;
    // After a failed lock(): the system's reason.
    QString lockError() const;
    bool unlock();
    bool isLocked() const { return m_lockMode != NoLock; }
    LockMode lockMode() const { return m_lockMode; }

private:
    Q_DISABLE_COPY(QtLockedFile)

    LockMode m_lockMode = NoLock;
    int m_lockErrno = 0;
    QString m_path;
};

} // namespace SharedTools
