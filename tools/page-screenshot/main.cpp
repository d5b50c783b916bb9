// Renders the device display page holding the emulator's devices, in English and in Chinese, with
// the tool's skin, so the page can be looked at without the main window.
//
//   page-screenshot <folder>
//
// The emulator and the library run on the loopback interface, in a network namespace of their own
// when the program may make one.
#include <cstdio>

#include <sched.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QProcess>
#include <QStandardItem>
#include <QTranslator>

#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "discovery/tarnhandler.h"
#include "toolskin.h"

namespace {

// What the main window will be to the page: its parent, with the cover slots.
class StandInWindow : public QWidget
{
    Q_OBJECT

public slots:
    void enableCover() {}
    void disableCover() {}
};

const int kDevices = 14;

bool shoot(const QString &path)
{
    TarnTool::DeviceStore::instance()->clear();
    StandInWindow window;
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 10, 10);
    auto *page = new TarnTool::DeviceDisplayPage(&window, QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"));
    layout->addWidget(page);
    window.setStyleSheet(QStringLiteral("StandInWindow { background: #FFFFFF; }"));
    window.resize(1280, 560);
    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOnline, page, &TarnTool::DeviceDisplayPage::onDeviceLogin);
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOffline, page, &TarnTool::DeviceDisplayPage::onDeviceLogout);
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceUpdate, page, &TarnTool::DeviceDisplayPage::onDeviceUpdate);
    window.show();
    page->onManualUpdate();

    auto *model = page->findChild<TarnTool::DeviceInfoModel *>();
    QElapsedTimer timer;
    timer.start();
    while (model->rowCount() < kDevices && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents(QEventLoop::AllEvents, 200);
    // Two devices checked, as an installer about to change them would have it.
    for (int row : {1, 2}) {
        if (QStandardItem *check = model->item(row, model->columnOf(TarnTool::DeviceInfoModel::IdCheck)))
            check->setCheckState(Qt::Checked);
    }
    QApplication::processEvents();
    if (model->rowCount() < kDevices)
        std::fprintf(stderr, "page-screenshot: only %d of %d devices answered\n", model->rowCount(), kDevices);
    const bool saved = window.grab().save(path);
    std::printf("page-screenshot: %s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    QObject::disconnect(handler, nullptr, page, nullptr);
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    const bool privateNetwork = unshare(CLONE_NEWNET) == 0
        && QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                                   QStringLiteral("up")}) == 0;
    qputenv("TARN_IFACES", "lo");
    // The emulator's devices are certified by the build's test maker, which the library trusts.
    if (qEnvironmentVariableIsEmpty("TARN_MAKER_SECRETS"))
        qputenv("TARN_MAKER_SECRETS", TARN_TEST_MAKER_SECRETS);
    if (qEnvironmentVariableIsEmpty("TARN_TRUSTED_MAKERS"))
        qputenv("TARN_TRUSTED_MAKERS", TARN_TEST_TRUSTED_MAKERS);
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: page-screenshot <folder>\n");
        return 2;
    }
    const QDir out(app.arguments().at(1));
    if (!QDir().mkpath(out.path()))
        return 1;
    if (!applyToolSkin(QStringLiteral(TARN_BIN_DIR "/plugins/skins/")))
        std::fprintf(stderr, "page-screenshot: the CommonSkin plug-in was not found; icons will be missing\n");
    if (!privateNetwork)
        std::fprintf(stderr, "page-screenshot: on the shared loopback; other emulators' devices may show\n");
    registerDeviceMetaTypes();

    QProcess emulator;
    emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator.start(QStringLiteral(TARN_DEVICE_PROGRAM), {QStringLiteral("--iface"), QStringLiteral("lo"),
                                                         QStringLiteral("--count"), QString::number(kDevices),
                                                         QStringLiteral("--seed"), QStringLiteral("31")});
    if (!emulator.waitForStarted(5000) || !emulator.waitForReadyRead(10000)) {
        std::fprintf(stderr, "page-screenshot: the emulator did not start\n");
        return 1;
    }
    if (!TARN::TarnHandler::instance()->start()) {
        std::fprintf(stderr, "page-screenshot: discovery did not start\n");
        return 1;
    }

    bool ok = shoot(out.filePath(QStringLiteral("devicedisplaypage.png")));
    QTranslator chinese;
    if (chinese.load(QStringLiteral(TARN_BIN_DIR "/translations/tarntool_zh.qm"))) {
        QApplication::installTranslator(&chinese);
        ok = shoot(out.filePath(QStringLiteral("devicedisplaypage_zh.png"))) && ok;
    }

    TARN::TarnHandler::instance()->stop();
    emulator.terminate();
    emulator.waitForFinished(5000);
    return ok ? 0 : 1;
}

#include "main.moc"
