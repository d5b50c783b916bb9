#include "toolkit/cfile.h"

#include <QFile>
#include <QTextStream>

namespace OrvoGUIToolkit {

QString CFile::ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}

QString CFile::ReadAll(const QStringList &names, const QString &dir)
{
    QString text;
    for (const QString &name : names) {
        const QString part = ReadAll(dir + name);
        if (part.isEmpty())
            continue;
        text += part;
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
    }
    return text;
}

} // namespace OrvoGUIToolkit
