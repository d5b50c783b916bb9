#include "toolkit/toolkitpath.h"

#include <QCoreApplication>
#include <QDir>

namespace OrvoGUIToolkit {

QString GetTargetPath()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString GetTargetPathFile(const QString &name)
{
    return QDir::cleanPath(GetTargetPath() + name);
}

} // namespace OrvoGUIToolkit
