#include "export/newfile.h"

#include <QFileInfo>
#include <QTemporaryFile>

namespace TarnTool {

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
    if (!file.open())
        return fail(QStringLiteral("cannot create a file in %1: %2").arg(target.absolutePath(), file.errorString()));
    if (file.write(content) != content.size() || !file.flush())
        return fail(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
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
