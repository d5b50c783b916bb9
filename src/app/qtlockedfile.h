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

    bool lock(LockMode mode, bool block = true);
    bool unlock();
    bool isLocked() const { return m_lockMode != NoLock; }
    LockMode lockMode() const { return m_lockMode; }

private:
    Q_DISABLE_COPY(QtLockedFile)

    LockMode m_lockMode = NoLock;
};

} // namespace SharedTools
