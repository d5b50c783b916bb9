#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "cli/tarncommand.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarn"));

    // The language follows the locale, from the translations the window reads beside it.
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
    QTranslator own, qt;
    if (QLocale().language() == QLocale::Chinese) {
        if (own.load(QStringLiteral("tarntool_zh.qm"), folder))
            QCoreApplication::installTranslator(&own);
        if (qt.load(QStringLiteral("qt_zh_CN.qm"), folder))
            QCoreApplication::installTranslator(&qt);
    } else if (own.load(QStringLiteral("tarntool_en.qm"), folder)) {
        QCoreApplication::installTranslator(&own);  // the English plural forms
    }

    TarnCli::TarnCommand command;
    return command.run(QCoreApplication::arguments());
}
