#include "devicelist/deviceeventqueue.h"

#include <QElapsedTimer>
#include <QTimer>

#include "devicelist/devicedisplaypage.h"
#include "discovery/tarnhandler.h"

namespace TarnTool {

DeviceEventQueue::DeviceEventQueue(DeviceDisplayPage *page, QObject *parent, const TARN::TarnHandler *handler)
    : QObject(parent), m_page(page), m_handler(handler), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &DeviceEventQueue::deliverSlice);
}

int DeviceEventQueue::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_incoming.size() + m_events.size() - m_next;
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
    const quint64 generation = m_handler ? m_handler->generation() : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_incoming.append(Event {kind, generation, record});
    // One wake-up call in flight at a time, however many events come meanwhile.
    if (!m_wakePending) {
        m_wakePending = true;
        QMetaObject::invokeMethod(this, &DeviceEventQueue::deliverSlice, Qt::QueuedConnection);
    }
}

void DeviceEventQueue::takeIncoming()
{
    QVector<Event> incoming;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        incoming.swap(m_incoming);
        m_wakePending = false;
    }
    if (m_next == m_events.size()) {
        m_events.swap(incoming);
        m_next = 0;
    } else {
        m_events += incoming;
    }
}

bool DeviceEventQueue::current(const Event &event) const
{
    return !m_handler || event.generation == m_handler->generation();
}

void DeviceEventQueue::deliverNext()
{
    // Departures next to each other in the queue leave the table together; a run is capped so
    // that one slice stays short.
    if (m_events.at(m_next).kind == Logout) {
        QVector<TARN_DEVICE_INFO> run;
        while (m_next < m_events.size() && m_events.at(m_next).kind == Logout && run.size() < kMaxRun) {
            const Event &event = m_events.at(m_next++);
            if (current(event))
                run.append(event.record);
        }
        if (m_page && !run.isEmpty())
            m_page->onDevicesLogout(run);
        return;
    }
    const Event event = m_events.at(m_next++);
    if (!m_page || !current(event))
        return;
    if (event.kind == Login)
        m_page->onDeviceLogin(event.record);
    else
        m_page->onDeviceUpdate(event.record);
}

void DeviceEventQueue::deliverSlice()
{
    takeIncoming();
    QElapsedTimer slice;
    slice.start();
    // The page may run a nested event loop (a message box) that comes back here: the index, not
    // an iterator, walks the queue, and each event is taken before it is handed over.
    while (m_next < m_events.size()) {
        deliverNext();
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
    takeIncoming();
    while (m_next < m_events.size())
        deliverNext();
    m_events.clear();
    m_next = 0;
}

} // namespace TarnTool
