#include "cli/devicescan.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

namespace TarnCli {

DeviceScan::DeviceScan(TARN::TarnHandler *handler, QObject *parent)
    : QObject(parent)
    , m_handler(handler)
{
    registerDeviceMetaTypes();
    // Queued: the handler emits on the library's thread.
    connect(handler, &TARN::TarnHandler::signalDeviceOnline, this, &DeviceScan::onOnline, Qt::QueuedConnection);
    connect(handler, &TARN::TarnHandler::signalDeviceUpdate, this, &DeviceScan::onUpdate, Qt::QueuedConnection);
    connect(handler, &TARN::TarnHandler::signalDeviceOffline, this, &DeviceScan::onOffline, Qt::QueuedConnection);
}

void DeviceScan::wait(int ms, const std::function<bool()> &enough)
{
    if (enough && enough())
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    m_enough = enough;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    m_enough = nullptr;
}

void DeviceScan::search(int maxMs, const std::function<bool()> &enough, int minimumMs)
{
    // A round's answers are in 800 ms after it, the first round's in 1100; the margin covers their
    // way here.
    constexpr int RoundMs = 1000, AnswersInMs = 900, FirstAnswersInMs = 1200, QuietRounds = 2, QuietRoundsUnderLoss = 6;
    QElapsedTimer clock;
    clock.start();
    int heardBefore = 0, quiet = 0;
    bool missed = false;
    for (int round = 0;; ++round) {
        const qint64 checkpoint = round == 0 ? FirstAnswersInMs : qint64(round) * RoundMs + AnswersInMs;
        const std::function<bool()> done = [&] { return clock.elapsed() >= minimumMs && enough && enough(); };
        if (done())
            return;
        const qint64 left = qMin<qint64>(checkpoint, maxMs) - clock.elapsed();
        if (left > 0)
            wait(int(left), done);
        if (done() || clock.elapsed() >= maxMs)
            return;
        const int fresh = m_heard - heardBefore;
        heardBefore = m_heard;
        if (round > 0 && fresh > 0)
            missed = true;
        quiet = fresh > 0 ? 0 : quiet + 1;
        if (!enough && clock.elapsed() >= minimumMs && quiet >= (missed ? QuietRoundsUnderLoss : QuietRounds))
            return;
        // The search was started with three rounds; from the second on, each checkpoint keeps one
        // more round ahead.
        if (round > 0)
            m_handler->sendInquiry();
    }
}

int DeviceScan::findSerial(const QString &serial) const
{
    for (int i = 0; i < m_devices.size(); ++i) {
        if (TARN::serialOf(m_devices.at(i)) == serial)
            return i;
    }
    return -1;
}

int DeviceScan::indexOf(const TARN_DEVICE_INFO &record) const
{
    for (int i = 0; i < m_devices.size(); ++i) {
        if (TARN::sameIdentity(m_devices.at(i), record))
            return i;
    }
    return -1;
}

void DeviceScan::onOnline(const TARN_DEVICE_INFO &record)
{
    const int i = indexOf(record);
    if (i < 0) {
        m_devices << record;
        ++m_heard;
    } else {
        m_devices[i] = record;
    }
    changed();
}

void DeviceScan::onUpdate(const TARN_DEVICE_INFO &record)
{
    onOnline(record);
}

void DeviceScan::onOffline(const TARN_DEVICE_INFO &record)
{
    const int i = indexOf(record);
    if (i >= 0)
        m_devices.remove(i);
    changed();
}

void DeviceScan::changed()
{
    if (m_loop && m_enough && m_enough())
        m_loop->quit();
}

} // namespace TarnCli
