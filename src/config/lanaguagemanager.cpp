#include "config/lanaguagemanager.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

#include "config/configuremanager.h"
#include "toolkit/toolkitpath.h"

namespace apt {

LanaguageManager::LanaguageManager()
{
    install(static_cast<int>(ConfigureManager::instance()->translator()), translationFolder());
}

LanaguageManager::LanaguageManager(int language, const QString &folder)
{
    install(language, folder);
}

LanaguageManager::~LanaguageManager()
{
    // A deleted translator takes itself out of the application.
    qDeleteAll(m_translators);
}

QString LanaguageManager::translationFolder()
{
    return OrvoGUIToolkit::GetTargetPath() + QStringLiteral("translations/");
}

void LanaguageManager::install(int language, const QString &folder)
{
    m_language = language;
    QString application;
    QString qt;
    QString toolkit;
    if (language == 0) {
        application = QStringLiteral("tarntool_en.qm");
        toolkit = QStringLiteral("HostWatch_en.qm");
        m_locale = QLocale(QLocale::English, QLocale::UnitedStates);
    } else if (language == 1) {
        application = QStringLiteral("tarntool_zh.qm");
        qt = QStringLiteral("qt_zh_CN.qm");
        toolkit = QStringLiteral("OrvoGUIToolkit_zh.qm");
        m_locale = QLocale(QLocale::Chinese, QLocale::China);
    }

    // Only the Qt translation is left out when it has no name; an unknown language still gets
    // two empty translators, which leave every text as it is.
    QStringList names{application};
    if (!qt.isEmpty())
        names.append(qt);
    names.append(toolkit);
    for (const QString &name : names) {
        auto *translator = new QTranslator;
        if (!name.isEmpty() && !translator->load(name, folder))
            qWarning("[Tool]Load translation %s from %s failed", qUtf8Printable(name), qUtf8Printable(folder));
        QCoreApplication::installTranslator(translator);
        m_translators.append(translator);
    }
}

} // namespace apt
