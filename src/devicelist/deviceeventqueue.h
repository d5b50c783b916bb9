#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QVector>

#include "tarn.h"

class QTimer;

namespace TarnTool {

class DeviceDisplayPage;

// Stands between the discovery handler and the display page. The handler's signals cross from the
// library's thread and pile up while the window is busy; delivered straight to the page, a site of
// thousands of devices coming or going at once kept the event loop from painting for seconds. The
// queue takes them in as they come and hands them to the page in arrival order, a slice of a few
// milliseconds at a time, so input and painting get their turn between slices.
class DeviceEventQueue : public QObject
{
    Q_OBJECT

public:
    explicit DeviceEventQueue(DeviceDisplayPage *page, QObject *parent = nullptr);

    // How long one slice may run before the queue yields to the event loop.
    static constexpr int kSliceMs = 8;

    int pending() const { return m_events.size() - m_next; }

public slots:
    void onDeviceLogin(TARN_DEVICE_INFO struDevInfo);
    void onDeviceLogout(TARN_DEVICE_INFO struDevInfo);
    void onDeviceUpdate(TARN_DEVICE_INFO struDevInfo);
    // Hands everything queued to the page now (used before the table is read as a whole).
    void flush();

private:
    enum Kind { Login, Logout, Update };
    struct Event
    {
        Kind kind;
        TARN_DEVICE_INFO record;
    };

    void push(Kind kind, const TARN_DEVICE_INFO &record);
    void deliverSlice();
    void deliver(const Event &event);

    QPointer<DeviceDisplayPage> m_page;
    QTimer *m_timer;
    QVector<Event> m_events;
    int m_next = 0;
};

} // namespace TarnTool
