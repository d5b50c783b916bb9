#pragma once

#include <mutex>

#include <QObject>
#include <QPointer>
#include <QVector>

#include "tarn.h"

class QTimer;

namespace TARN {
class TarnHandler;
}

namespace TarnTool {

class DeviceDisplayPage;

// Stands between the discovery handler and the display page. A site of thousands of devices
// coming or going at once, delivered to the page as one queued call each, kept the event loop from
// painting for seconds. The queue takes the handler's signals on whatever thread emits them
// (connect with Qt::DirectConnection: taking one in costs a lock and a copy) and hands them to the
// page on its own thread in arrival order, a slice of a few tens of milliseconds at a time, with
// neighbouring departures together; input and painting get their turn between slices.
class DeviceEventQueue : public QObject
{
    Q_OBJECT

public:
    // With a handler, events taken in before one of its clear-ups (a Refresh) are dropped.
    explicit DeviceEventQueue(DeviceDisplayPage *page, QObject *parent = nullptr,
                              const TARN::TarnHandler *handler = nullptr);

    // How long one slice may run before the queue yields to the event loop.
    static constexpr int kSliceMs = 20;
    // The most departures handed over in one go.
    static constexpr int kMaxRun = 20;

    // Events taken in and not yet handed to the page.
    int pending() const;

public slots:
    // Callable from any thread.
    void onDeviceLogin(TARN_DEVICE_INFO struDevInfo);
    void onDeviceLogout(TARN_DEVICE_INFO struDevInfo);
    void onDeviceUpdate(TARN_DEVICE_INFO struDevInfo);
    // Hands everything queued to the page now; on the page's thread.
    void flush();

private:
    enum Kind { Login, Logout, Update };
    struct Event
    {
        Kind kind;
        quint64 generation;
        TARN_DEVICE_INFO record;
    };

    void push(Kind kind, const TARN_DEVICE_INFO &record);
    void takeIncoming();
    void deliverSlice();
    void deliverNext();

    bool current(const Event &event) const;

    QPointer<DeviceDisplayPage> m_page;
    const TARN::TarnHandler *m_handler;
    QTimer *m_timer;
    // Filled by any thread, under the lock; emptied into m_events on the page's thread.
    mutable std::mutex m_mutex;
    QVector<Event> m_incoming;
    bool m_wakePending = false;
    // Only on the page's thread.
    QVector<Event> m_events;
    int m_next = 0;
};

} // namespace TarnTool
