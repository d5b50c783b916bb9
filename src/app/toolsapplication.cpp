#include "app/toolsapplication.h"

#include <QDebug>
#include <QDir>
#include <QFont>
#include <QHelpEvent>
#include <QIcon>
#include <QPluginLoader>
#include <QScreen>
#include <QStyleFactory>
#include <QTextCodec>
#include <QToolTip>

#include "config/configure.h"
#include "config/configuremanager.h"
#include "config/lanaguagemanager.h"
#include "aptui/basedialog.h"
#include "aptui/hintbox.h"
#include "skins/iskinplugin.h"
#include "toolkit/cfile.h"
#include "toolkit/guitext.h"
#include "toolkit/toolkitpath.h"

namespace apt {

namespace {
const char kDefaultSkin[] = "CommonSkin";

QFont toolFont(const QString &family)
{
    QFont font(family, 9);
    font.setStyleHint(QFont::Helvetica, QFont::PreferAntialias);
    return font;
}
} // namespace

ToolsApplication::ToolsApplication(const QString &id, int &argc, char **argv)
    : SharedTools::QtSingleApplication(id, argc, argv)
{
}

bool ToolsApplication::init()
{
    loadConfigure();
    initFont();
    loadSkin();
    loadStyle();
    initLanguage();

    if (isRunning()) {
        showStartupHint(tr("TARN is already running."), false);
        return false;
    }
    if (!lockError().isEmpty()) {
        qWarning("[Tool]The single-instance lock cannot be taken: %s", qUtf8Printable(lockError()));
        showStartupHint(tr("TARN cannot start: %1").arg(lockError()), false);
        return false;
    }
    if (checkResolution()) {
        setWindowIcon(QIcon(QStringLiteral(":/aptui/complex/Images/System/Complex/calculate.png")));
        return true;
    }
    return showStartupHint(tr("Display resolution less than 1024*768,are you sure to start the program?"), true)
        == 1;
}

void ToolsApplication::loadConfigure()
{
    const QString path = OrvoGUIToolkit::GetTargetPathFile(QStringLiteral("Setup.xml"));
    if (!ConfigureManager::instance()->loadSettings())
        qWarning("[Tool]Setup.xml missing or unreadable at %s: every setting takes its default", qUtf8Printable(path));
}

void ToolsApplication::initFont()
{
    QApplication::setFont(toolFont(QStringLiteral("Microsoft YaHei")));
}

void ToolsApplication::loadSkin()
{
    const Configure *entry = ConfigureManager::instance()->find(ConfigureManager::Skin);
    const QString skin = entry ? entry->value : QString::fromLatin1(kDefaultSkin);
    const QString folder = OrvoGUIToolkit::GetTargetPath() + QStringLiteral("plugins/skins/");
    if (findSkin(folder, skin))
        qWarning("[Tool]LoadSkin = %s Success", qUtf8Printable(skin));
    else
        qWarning("[Tool]LoadSkin = %s failed (no plug-in in %s offers it)", qUtf8Printable(skin),
                 qUtf8Printable(folder));
}

ISkinPlugin *ToolsApplication::findSkin(const QString &folder, const QString &skin)
{
    if (skin.isNull())
        return nullptr;
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Unsorted);
    for (const QString &file : files) {
        QPluginLoader loader(QDir::cleanPath(folder + QLatin1Char('/') + file));
        // A plug-in this search loads counts as well as one loaded before: the skin is in place
        // either way, and the log should say so.
        if (!loader.isLoaded() && !loader.load()) {
            qDebug() << "[Tool]LoadSkin: skipping" << file << loader.errorString();
            continue;
        }
        auto *plugin = qobject_cast<ISkinPlugin *>(loader.instance());
        if (plugin && plugin->skinNames().contains(skin))
            return plugin;
    }
    return nullptr;
}

void ToolsApplication::loadStyle()
{
    QStyle *style = QStyleFactory::create(QStringLiteral("CommonStyle"));
    if (!style)
        qDebug("[ToolsApplication::loadStyle]The CommonStyle does not exist.");
    else
        QApplication::setStyle(style);

    const QString dir = QStringLiteral(":/OrvoDesk/Qss/Qss/OrvoGUIToolkit/");
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Unsorted);
    names.removeAll(QStringLiteral("MacSpecial.qss"));
    setStyleSheet(OrvoGUIToolkit::CFile::ReadAll(names, dir)
                  + OrvoGUIToolkit::CFile::ReadAll(QStringLiteral(":/OrvoDesk/Qss/Qss/TARNTool/TARNTool.qss")));
}

void ToolsApplication::initLanguage()
{
    OrvoGUIToolkit::InitGuiTextCodec(QTextCodec::codecForLocale());
    LanaguageManager *languages = LanaguageManager::instance();
    if (languages->language() == 10)
        QApplication::setFont(toolFont(QStringLiteral("Tahoma")));
    else if (languages->language() == 9)
        QApplication::setFont(toolFont(QStringLiteral("Batang")));
    OrvoGUIToolkit::InitGuiLocale(languages->locale());
}

bool ToolsApplication::resolutionSufficient(const QList<QRect> &screens)
{
    bool wide = false;
    bool high = false;
    for (const QRect &screen : screens) {
        wide = wide || screen.right() + 1 >= 1024;
        high = high || screen.bottom() + 1 >= 768;
    }
    return wide && high;
}

bool ToolsApplication::checkResolution()
{
    // Geometries on the virtual desktop: a second screen to the right counts by its right edge.
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    return resolutionSufficient(screens);
}

int ToolsApplication::showStartupHint(const QString &text, bool question)
{
    aptui::BaseDialog dialog(false, false, false, false, true, question, question);
    aptui::setUpHintBox(dialog, QSize(400, 256), tr("Hint"), text, question);
    return dialog.exec();
}

bool ToolsApplication::notify(QObject *receiver, QEvent *event)
{
    if (event->type() == QEvent::ApplicationFontChange)
        return true;
    if (event->type() == QEvent::ToolTip && !receiver->property("toolTip").isNull()
        && !receiver->inherits("QLineEdit")) {
        const QPoint where = static_cast<QHelpEvent *>(event)->globalPos();
        const QVariant text = receiver->property("text");
        if (!text.isNull()) {
            QToolTip::showText(where, text.toString());
            return true;
        }
        const QVariant current = receiver->property("currentText");
        if (!current.isNull()) {
            QToolTip::showText(where, current.toString());
            return true;
        }
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        qWarning("[Tool]An exception escaped while delivering an event of type %d", int(event->type()));
        return false;
    }
}

} // namespace apt
