#include "export/newfile.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryFile>

namespace TarnTool {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

bool writeNewFile(const QString &path, const QByteArray &content, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };

    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return fail(QStringLiteral("%1 exists already").arg(path));

    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!file.open())
        return fail(QStringLiteral("cannot create a file in %1: %2")
                        .arg(target.absolutePath(), errno ? systemError(errno) : file.errorString()));
    // Written and synced by hand: QFile's buffered write reports a full disk as "Unknown error", or
    // not at all until the file is closed.
    const int fd = file.handle();
    for (qint64 done = 0; done < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(QStringLiteral("cannot write %1: %2").arg(path, systemError(n < 0 ? errno : ENOSPC)));
        done += n;
    }
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, systemError(errno)));
    // The temporary file is private to its owner; an exported list is meant to be passed on.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    // QFile::rename refuses an existing target, so a file made meanwhile is not lost either.
    if (!file.rename(path))
        return fail(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    file.setAutoRemove(false);
    return true;
}

} // namespace TarnTool
