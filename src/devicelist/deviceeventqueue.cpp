#include "devicelist/deviceeventqueue.h"

#include <QTimer>

#include "devicelist/devicedisplaypage.h"

namespace TarnTool {

DeviceEventQueue::DeviceEventQueue(DeviceDisplayPage *page, QObject *parent)
    : QObject(parent), m_page(page), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &DeviceEventQueue::deliverSlice);
}

void DeviceEventQueue::onDeviceLogin(TARN_DEVICE_INFO struDevInfo)
{
    push(Login, struDevInfo);
}

void DeviceEventQueue::onDeviceLogout(TARN_DEVICE_INFO struDevInfo)
{
    push(Logout, struDevInfo);
}

void DeviceEventQueue::onDeviceUpdate(TARN_DEVICE_INFO struDevInfo)
{
    push(Update, struDevInfo);
}

void DeviceEventQueue::push(Kind kind, const TARN_DEVICE_INFO &record)
{
    m_events.append(Event {kind, record});
    if (!m_timer->isActive())
        m_timer->start();
}

void DeviceEventQueue::deliver(const Event &event)
{
    if (!m_page)
        return;
    switch (event.kind) {
    case Login:
        m_page->onDeviceLogin(event.record);
        break;
    case Logout:
        m_page->onDeviceLogout(event.record);
        break;
    case Update:
        m_page->onDeviceUpdate(event.record);
        break;
    }
}

void DeviceEventQueue::deliverSlice()
{
    QElapsedTimer slice;
    slice.start();
    // The page may run a nested event loop (a message box) and more events arrive meanwhile: the
    // index, not an iterator, walks the queue.
    while (m_next < m_events.size()) {
        const Event event = m_events.at(m_next++);
        deliver(event);
        if (slice.elapsed() >= kSliceMs)
            break;
    }
    if (m_next < m_events.size()) {
        // Under a steady stream the queue never runs dry: drop what was delivered now and then.
        if (m_next >= 1024 && m_next * 2 >= m_events.size()) {
            m_events.remove(0, m_next);
            m_next = 0;
        }
        m_timer->start();
        return;
    }
    m_events.clear();
    m_next = 0;
}

void DeviceEventQueue::flush()
{
    m_timer->stop();
    while (m_next < m_events.size()) {
        const Event event = m_events.at(m_next++);
        deliver(event);
    }
    m_events.clear();
    m_next = 0;
}

} // namespace TarnTool
