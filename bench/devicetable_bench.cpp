// How the device table copes with a large network: the time the display page takes for 1000 and
// for 5000 online events, then 5000 updates and 5000 offline events, all through its slots on the
// offscreen platform, and the memory the table and the store hold. Prints figures; fails nothing.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include <time.h>

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTimer>
#include <QVector>

#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceeventqueue.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"

namespace {

class CoverParent : public QWidget
{
    Q_OBJECT

public slots:
    void enableCover() {}
    void disableCover() {}
};

// Stands in for the discovery handler: its signals are emitted on another thread, as the
// library's callbacks are, and reach the GUI thread queued.
class Source : public QObject
{
    Q_OBJECT

signals:
    void online(TARN_DEVICE_INFO record);
    void offline(TARN_DEVICE_INFO record);
    void update(TARN_DEVICE_INFO record);
    void finished();
};

TARN_DEVICE_INFO record(int i)
{
    TARN_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    TARN::setFieldText(r.serialNumber, QStringLiteral("TN%1-BENCH%2").arg(i % 97).arg(i, 6, 10, QLatin1Char('0')));
    TARN::setFieldText(r.macAddress, QString::asprintf("02-b0-%02x-%02x-%02x-%02x", (i >> 24) & 0xFF,
                                                       (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF));
    TARN::setFieldText(r.ipv4Address, QString::asprintf("10.%d.%d.%d", (i / 62500) % 250, (i / 250) % 250, 1 + i % 250));
    TARN::setFieldText(r.ipv4SubnetMask, QStringLiteral("255.0.0.0"));
    TARN::setFieldText(r.ipv4Gateway, QStringLiteral("10.0.0.1"));
    TARN::setFieldText(r.deviceTypeName, QStringLiteral("IPC-T2"));
    TARN::setFieldText(r.softwareVersion, QStringLiteral("V5.4.1 build 200101"));
    TARN::setFieldText(r.dspVersion, QStringLiteral("V7.3"));
    TARN::setFieldText(r.startTime, QStringLiteral("2026-12-08 10:00:00"));
    TARN::setFieldText(r.ipv6Address, QStringLiteral("fe80::b0:%1").arg(i, 0, 16));
    r.port = 8000;
    r.channelCount = 1;
    r.eventType = TARN_EVENT_ONLINE;
    r.ipv6Valid = 1;
    r.ipv6PrefixLength = 64;
    r.capabilityFlags = 0x07;
    r.httpPort = 80;
    r.activationState = quint8(i % 3 == 0);
    return r;
}

struct Memory
{
    double heapMiB;
    double rssMiB;
};

Memory memory()
{
    Memory m {double(mallinfo2().uordblks) / 1048576.0, 0};
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                m.rssMiB = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return m;
}

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// One page fed with `count` online events, then updates and offline events for all of them.
void run(const QString &config, int count, bool changeAndLeave)
{
    TarnTool::DeviceStore::instance()->clear();
    QVector<TARN_DEVICE_INFO> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i)
        records.append(record(i));

    const Memory before = memory();
    CoverParent parent;
    auto *page = new TarnTool::DeviceDisplayPage(&parent, config);
    parent.resize(1600, 900);
    page->resize(1600, 900);
    parent.show();
    QApplication::processEvents();

    QElapsedTimer t;
    t.start();
    for (const TARN_DEVICE_INFO &r : records)
        page->onDeviceLogin(r);
    QApplication::processEvents();
    const double online = ms(t);
    const Memory full = memory();
    std::printf("%5d online events:  %8.1f ms  (%6.1f us each)   table and store hold %6.1f MiB of heap, "
                "RSS grew %6.1f MiB\n",
                count, online, online * 1000.0 / count, full.heapMiB - before.heapMiB, full.rssMiB - before.rssMiB);

    if (changeAndLeave) {
        for (int i = 0; i < count; ++i) {
            records[i].eventType = TARN_EVENT_UPDATE;
            TARN::setFieldText(records[i].ipv4Address, QString::asprintf("172.16.%d.%d", (i / 250) % 250, 1 + i % 250));
            records[i].port = 8001;
        }
        t.restart();
        for (const TARN_DEVICE_INFO &r : records)
            page->onDeviceUpdate(r);
        QApplication::processEvents();
        const double updates = ms(t);
        std::printf("%5d updates:        %8.1f ms  (%6.1f us each)\n", count, updates, updates * 1000.0 / count);

        // What one lookup would cost by scanning the rows, as the index avoids.
        auto *model = page->findChild<TarnTool::DeviceInfoModel *>();
        const int serialColumn = model->columnOf(TarnTool::DeviceInfoModel::IdSerialNumber);
        const int macColumn = model->columnOf(TarnTool::DeviceInfoModel::IdMac);
        t.restart();
        int found = 0;
        for (int i = 0; i < count; i += 10) {
            const QString serial = TARN::serialOf(records[i]);
            const QString mac = TARN::macOf(records[i]);
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->item(row, serialColumn)->text() == serial && model->item(row, macColumn)->text() == mac) {
                    ++found;
                    break;
                }
            }
        }
        const double scan = ms(t) * 10.0;
        std::printf("      (a row scan instead of the index would add about %8.1f ms to those updates; %d found)\n",
                    scan, found * 10);

        t.restart();
        page->onSortTable(model->columnOf(TarnTool::DeviceInfoModel::IdIPv4Address));
        QApplication::processEvents();
        std::printf("      sorting by address: %8.1f ms\n", ms(t));

        t.restart();
        for (int i = 0; i < count / 2; ++i)
            page->onDeviceLogout(records[i]);
        QApplication::processEvents();
        const double offline = ms(t);
        std::printf("%5d offline events: %8.1f ms  (%6.1f us each), one at a time\n", count / 2, offline,
                    offline * 1000.0 / (count / 2));
        t.restart();
        double longestRun = 0;
        for (int i = count / 2; i < count; i += TarnTool::DeviceEventQueue::kMaxRun) {
            QElapsedTimer one;
            one.start();
            page->onDevicesLogout(records.mid(i, TarnTool::DeviceEventQueue::kMaxRun));
            longestRun = std::max(longestRun, ms(one));
        }
        QApplication::processEvents();
        const double runs = ms(t);
        std::printf("%5d offline events: %8.1f ms  (%6.1f us each), in runs of %d, longest run %.1f ms\n",
                    count - count / 2, runs, runs * 1000.0 / (count - count / 2),
                    TarnTool::DeviceEventQueue::kMaxRun, longestRun);
    }
    delete page;
    TarnTool::DeviceStore::instance()->clear();
}

// 5000 devices arrive, change and leave as fast as a thread can emit, delivered to the page
// straight or through the event queue; a 1 ms timer on the GUI thread measures how long the event
// loop went without a turn.
void stalls(const QString &config, int count, bool queued)
{
    TarnTool::DeviceStore::instance()->clear();
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < count; ++i)
        records.append(record(i));
    CoverParent parent;
    auto *page = new TarnTool::DeviceDisplayPage(&parent, config);
    parent.resize(1600, 900);
    page->resize(1600, 900);
    parent.show();
    QApplication::processEvents();

    Source source;
    TarnTool::DeviceEventQueue queue(page);
    if (queued) {
        QObject::connect(&source, &Source::online, &queue, &TarnTool::DeviceEventQueue::onDeviceLogin,
                Qt::DirectConnection);
        QObject::connect(&source, &Source::offline, &queue, &TarnTool::DeviceEventQueue::onDeviceLogout,
                Qt::DirectConnection);
        QObject::connect(&source, &Source::update, &queue, &TarnTool::DeviceEventQueue::onDeviceUpdate,
                Qt::DirectConnection);
    } else {
        QObject::connect(&source, &Source::online, page, &TarnTool::DeviceDisplayPage::onDeviceLogin);
        QObject::connect(&source, &Source::offline, page, &TarnTool::DeviceDisplayPage::onDeviceLogout);
        QObject::connect(&source, &Source::update, page, &TarnTool::DeviceDisplayPage::onDeviceUpdate);
    }
    bool sourceDone = false;
    QObject::connect(&source, &Source::finished, &parent, [&] { sourceDone = true; });

    QElapsedTimer total;
    QElapsedTimer sinceTick;
    double longest = 0;
    // On a busy machine the wall clock also counts the time the thread waited for a core: the
    // thread's own CPU time between turns is the part the program answers for.
    double cpuAtTick = threadCpuMs();
    double longestCpu = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, ms(sinceTick));
        sinceTick.restart();
        const double cpu = threadCpuMs();
        longestCpu = std::max(longestCpu, cpu - cpuAtTick);
        cpuAtTick = cpu;
    });
    total.start();
    sinceTick.start();
    cpuAtTick = threadCpuMs();
    ticker.start();
    std::thread emitter([&] {
        for (const TARN_DEVICE_INFO &r : records)
            emit source.online(r);
        for (TARN_DEVICE_INFO r : records) {
            r.eventType = TARN_EVENT_UPDATE;
            r.port = 8001;
            emit source.update(r);
        }
        for (TARN_DEVICE_INFO r : records) {
            r.eventType = TARN_EVENT_OFFLINE;
            emit source.offline(r);
        }
        emit source.finished();
    });
    while (!sourceDone || queue.pending() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double elapsed = ms(total);
    ticker.stop();
    emitter.join();
    auto *model = page->findChild<TarnTool::DeviceInfoModel *>();
    std::printf("%5d arrive, change and leave, %-22s total %8.1f ms, longest stall %8.1f ms "
                "(%6.1f ms of GUI-thread CPU), rows left %d\n",
                count, queued ? "through the queue:" : "straight to the page:", elapsed, longest, longestCpu,
                model->rowCount());
    delete page;
    TarnTool::DeviceStore::instance()->clear();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerDeviceMetaTypes();
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("ColumnConfig.xml"));
    QFile::copy(QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"), config);

    std::printf("Device table through the display page's slots (offscreen):\n");
    run(config, 1000, false);
    run(config, 5000, true);

    std::printf("\nEvent loop stalls while signals arrive from another thread:\n");
    stalls(config, 5000, false);
    stalls(config, 5000, true);
    return 0;
}

#include "devicetable_bench.moc"
