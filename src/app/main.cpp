#include <QDir>
#include <QMetaObject>
#include <QScreen>

#include "app/tarntoolmainpage.h"
#include "app/toolsapplication.h"
#include "aptui/popupaccessibility.h"
#include "discovery/tarnhandler.h"

int main(int argc, char *argv[])
{
    aptui::exposePopupsToAccessibility();
    auto *app = new apt::ToolsApplication(QStringLiteral("TARNTool"), argc, argv);
    const QString pluginPath = QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
        + QDir::separator() + QStringLiteral("plugins");
    QCoreApplication::setApplicationName(QObject::tr("TARNTool"));
    QCoreApplication::addLibraryPath(pluginPath);

    if (!app->init()) {
        QCoreApplication::exit(0);
        delete app;
        return -1;
    }

    // Standard cameras beside ours, in the same table.
    TARN::TarnHandler::instance()->enableOnvif();
    auto *window = new TarnTool::TARNToolMainPage(nullptr);
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    bool moveToOrigin = false;
    window->resize(TarnTool::TARNToolMainPage::startSize(workArea, &moveToOrigin));
    if (moveToOrigin)
        window->move(0, 0);
    window->show();
    QMetaObject::invokeMethod(window, "onMovePinButtion", Qt::DirectConnection);
    qInfo("[Tool]Main window shown");

    const int code = QApplication::exec();
    delete window;
    delete app;
    return code;
}
