#include "common/apppath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString appDirPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString resolveAppPath(const QString &name)
{
    if (!QFileInfo(name).isRelative())
        return name;
    return appDirPath() + name;
}

bool settingsBesideProgram()
{
    return QFileInfo::exists(appDirPath() + QStringLiteral("portable"));
}

QString settingsDirPath()
{
    if (settingsBesideProgram())
        return appDirPath();
    // One folder for the window and the command line, whatever name each gives the application.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tarntool/");
}

QString settingsPath(const QString &name)
{
    return settingsDirPath() + name;
}

bool makeSettingsDir(const QString &file, QString *error)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (QDir::cleanPath(folder) != QDir::cleanPath(settingsDirPath()) || QFileInfo(folder).isDir())
        return true;
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("the folder %1 cannot be made").arg(folder);
        return false;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}
