#include "cli/devicescan.h"

#include <QEventLoop>
#include <QTimer>

#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

namespace TarnCli {

DeviceScan::DeviceScan(TARN::TarnHandler *handler, QObject *parent)
    : QObject(parent)
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
    if (i < 0)
        m_devices << record;
    else
        m_devices[i] = record;
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
