#include "common/apppath.h"

#include <QCoreApplication>
#include <QFileInfo>

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
