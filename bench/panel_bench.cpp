// A batch of 100 devices through the modify panel against the emulator on loopback, at 0 % and at
// 20 % datagram loss each way: consecutive addresses (across a .255 boundary in a /16), then
// activation of 100 new devices. Prints the time per device, the share that took the operation,
// how many ended unknown, and the longest stretch in which the window's event loop did not run.
//
// With --real-devices, batches at a real device's speed instead: 200 devices that each spend
// 500 ms on every sealed operation, one consecutive plan with TaskThread 16 and again with
// TaskThread 1 as the baseline, at 0 % and 20 % loss; changes per second, changed / not changed /
// unknown, changes applied twice (the emulator counts them) and the speed-up.
//
//   panel_bench [devices]
//   panel_bench --real-devices [devices [op-ms]]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sched.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

#include <QTemporaryDir>

#include "config/configuremanager.h"
#include "configpanel/devicemodifypage.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

namespace {

using TarnTool::DeviceStore;

// Measures the longest gap between two turns of the event loop while it runs.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 longest() const { return m_longest; }
    qint64 stop()
    {
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

struct Figures
{
    int devices = 0, done = 0, unknown = 0, failed = 0;
    double seconds = 0;
    qint64 stallMs = 0;      // while the devices were worked on
    qint64 listStallMs = 0;  // including building and showing the result list
};

Figures runBatch(TarnTool::DeviceModifyPage *panel, ModifyPage mode, const QVector<DeviceInfo> &devices, bool activate)
{
    Figures f;
    f.devices = devices.size();
    panel->onCurrentSelectionChange(mode, devices);
    // As a person would: only into the fields the panel lets one type into.
    auto set = [panel](const char *name, const QString &text) {
        auto *field = panel->findChild<QLineEdit *>(QLatin1String(name));
        if (field->isEnabled())
            field->setText(text);
    };
    if (activate) {
        set("m_lineEditNewPassword", QStringLiteral("Bench#2026a"));
        set("m_lineEditConfirmPassword", QStringLiteral("Bench#2026a"));
    } else {
        set("m_lineEditStartIp", QStringLiteral("10.60.0.200"));
        set("m_lineEditSubnetMask", QStringLiteral("255.255.0.0"));
        set("m_lineEditGateway", QStringLiteral("10.60.0.1"));
        set("m_lineEditPort", QStringLiteral("8000"));
        set("m_lineEditHttpPort", QStringLiteral("80"));
        set("m_lineEditAdminPassword", QStringLiteral("Admin12345"));
    }
    QVector<DeviceInfo> results;
    auto keep = [&results](QVector<DeviceInfo> r) { results = r; };
    QMetaObject::Connection c1 = QObject::connect(panel, &TarnTool::DeviceModifyPage::signalModifyResult, panel, keep);
    QMetaObject::Connection c2 = QObject::connect(panel, &TarnTool::DeviceModifyPage::signalActiveResult, panel, keep);
    // The result list and any box close themselves as soon as they show.
    StallMeter meter;
    QTimer closer;
    bool listSeen = false;
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (!listSeen)
                f.stallMs = meter.longest();
            listSeen = true;
            modal->close();
        }
    });
    closer.start(20);
    meter.start();
    QElapsedTimer clock;
    clock.start();
    if (activate)
        panel->onActiveDevices();
    else
        panel->onModifyNetParas();
    f.seconds = clock.elapsed() / 1000.0;
    f.listStallMs = meter.stop();
    if (!listSeen)
        f.stallMs = f.listStallMs;
    closer.stop();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    const QString succeed = TarnTool::DeviceModifyPage::tr("Succeed");
    for (const DeviceInfo &d : results) {
        f.done += d.strResult == succeed;
        f.unknown += d.strResult.contains(QLatin1String("result unknown"));
    }
    f.failed = f.devices - f.done - f.unknown;
    return f;
}

void print(const char *what, int loss, const Figures &f)
{
    std::printf("%-11s loss %2d %%: %3d devices, %6.1f s, %5.0f ms per device, %5.1f %% took it, %d unknown, "
                "longest event-loop stall %lld ms (%lld ms with the result list)\n",
                what, loss, f.devices, f.seconds, f.devices ? 1000.0 * f.seconds / f.devices : 0.0,
                f.devices ? 100.0 * f.done / f.devices : 0.0, f.unknown, static_cast<long long>(f.stallMs),
                static_cast<long long>(f.listStallMs));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    const bool privateNetwork = unshare(CLONE_NEWNET) == 0
        && QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                                   QStringLiteral("up")}) == 0;
    qputenv("TARN_IFACES", "lo");
    // The build's test maker certifies the devices, and the library trusts it.
    setenv("TARN_MAKER_SECRETS", TARN_TEST_MAKER_SECRETS, 0);
    setenv("TARN_TRUSTED_MAKERS", TARN_TEST_TRUSTED_MAKERS, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool realDevices = argc > 1 && std::strcmp(argv[1], "--real-devices") == 0;
    if (realDevices) {
        --argc;
        ++argv;
    }
    const int perBatch = argc > 1 ? std::max(1, std::atoi(argv[1])) : realDevices ? 200 : 100;
    const int opMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 500;
    if (!privateNetwork)
        std::fprintf(stderr, "panel_bench: on the shared loopback; other emulators may answer too\n");
    registerDeviceMetaTypes();

    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    handler->setLogToFile(nullptr, TARN_LOG_ERROR, 0);
    // The store as the display page keeps it, without the table.
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOnline, &app, [](TARN_DEVICE_INFO d) {
        QPX_Guard guard(DeviceStore::instance()->mutex());
        if (!DeviceStore::instance()->containsMac(TARN::macOf(d)))
            DeviceStore::instance()->add(d);
    });
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceUpdate, &app,
                     [](TARN_DEVICE_INFO d) { DeviceStore::instance()->replace(d); });
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOffline, &app,
                     [](TARN_DEVICE_INFO d) { DeviceStore::instance()->remove(d); });
    QVector<TARN_DEVICE_INFO> seen;
    QObject::connect(handler, &TARN::TarnHandler::signalDeviceOnline, &app, [&seen](TARN_DEVICE_INFO d) { seen << d; });
    if (!handler->start()) {
        std::fprintf(stderr, "panel_bench: discovery did not start\n");
        return 1;
    }

    QWidget window;
    auto *panel = new TarnTool::DeviceModifyPage(&window);
    window.show();

    std::printf("panel_bench: %d devices per batch, emulator on loopback%s\n", perBatch,
                realDevices ? qPrintable(QStringLiteral(", %1 ms per sealed operation").arg(opMs)) : "");
    QTemporaryDir settings;
    int seed = 500;
    for (int loss : {0, 20}) {
        // Three devices in a row: two start activated, one new; 3n devices give n new ones.
        const int count = realDevices ? perBatch * 2 + 40 : 3 * perBatch;
        QProcess emulator;
        emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emulator.start(QStringLiteral(TARN_DEVICE_PROGRAM),
                       {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"), QString::number(count),
                        QStringLiteral("--seed"), QString::number(++seed), QStringLiteral("--loss"), QString::number(loss),
                        QStringLiteral("--announce-s"), QStringLiteral("30"), QStringLiteral("--op-ms"),
                        QString::number(realDevices ? opMs : 0)});
        if (!emulator.waitForStarted(5000) || !emulator.waitForReadyRead(20000)) {
            std::fprintf(stderr, "panel_bench: the emulator did not start\n");
            return 1;
        }
        seen.clear();
        handler->clearup();
        DeviceStore::instance()->clear();
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 30000) {
            handler->sendInquiry();
            QElapsedTimer round;
            round.start();
            while (round.elapsed() < 3000)
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (DeviceStore::instance()->count() >= count)
                break;
        }
        QVector<DeviceInfo> activated, fresh;
        for (const TARN_DEVICE_INFO &d : seen) {
            // Only this emulator's devices: its seed is the MAC's second byte.
            if (!TARN::macOf(d).startsWith(QStringLiteral("02-%1-").arg(seed & 0xff, 2, 16, QLatin1Char('0'))))
                continue;
            DeviceInfo info;
            info.strSerialNo = TARN::serialOf(d);
            info.strMAC = TARN::macOf(d);
            info.strIPv4 = TARN::fieldText(d.ipv4Address);
            if (d.activationState == TARN_ACTIVATED && d.dhcpEnabled != 1 && activated.size() < perBatch)
                activated << info;
            else if (d.activationState != TARN_ACTIVATED && fresh.size() < perBatch)
                fresh << info;
        }
        std::printf("found %d of %d devices at %d %% loss\n", DeviceStore::instance()->count(), count, loss);
        if (!realDevices) {
            print("modify", loss, runBatch(panel, MODIFY_BATCH, activated, false));
            print("activation", loss, runBatch(panel, ACTIVE_BATCH, fresh, true));
        } else {
            double seconds[2] = {0, 0};
            for (int tasks : {16, 1}) {
                // The panel reads the setting where the tool does.
                const QString path = settings.filePath(QStringLiteral("Setup.xml"));
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    return 1;
                file.write(QStringLiteral("<Setup><TaskThread><Value>%1</Value></TaskThread></Setup>").arg(tasks).toUtf8());
                file.close();
                apt::ConfigureManager::instance()->load(path);
                const Figures f = runBatch(panel, MODIFY_BATCH, activated, false);
                seconds[tasks == 1] = f.seconds;
                std::printf("TaskThread %2d, loss %2d %%: %d devices in %.1f s, %.1f changes/s, changed %d, not changed "
                            "%d, unknown %d, longest event-loop stall %lld ms\n",
                            tasks, loss, f.devices, f.seconds, f.seconds > 0 ? f.done / f.seconds : 0.0, f.done, f.failed,
                            f.unknown, static_cast<long long>(f.stallMs));
                std::fflush(stdout);
                // The next run plans from the addresses now held: they all move again.
                for (DeviceInfo &d : activated) {
                    TARN_DEVICE_INFO now;
                    if (DeviceStore::instance()->get(d.strSerialNo, d.strMAC, &now))
                        d.strIPv4 = TARN::fieldText(now.ipv4Address);
                }
            }
            std::printf("loss %2d %%: TaskThread 16 is %.1f times as fast as TaskThread 1\n", loss,
                        seconds[0] > 0 ? seconds[1] / seconds[0] : 0.0);
        }
        emulator.terminate();
        emulator.waitForFinished(5000);
        const QByteArray summary = emulator.readAllStandardOutput();
        const int at = summary.indexOf("applied twice");
        if (at >= 0)
            std::printf("loss %2d %%: %s\n", loss, summary.mid(at, summary.indexOf(',', at) - at).constData());
    }
    handler->stop();
    return 0;
}
