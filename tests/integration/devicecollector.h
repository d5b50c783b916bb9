#pragma once

#include <cstring>
#include <mutex>
#include <vector>

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTest>

#include "tarn.h"

// Collects the library's callbacks, which arrive on the library's own thread.
class DeviceCollector
{
public:
    static void callback(const TARN_DEVICE_INFO *device, void *context)
    {
        auto *self = static_cast<DeviceCollector *>(context);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_events.push_back(*device);
    }

    std::vector<TARN_DEVICE_INFO> events() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    int count(int eventType) const
    {
        int n = 0;
        for (const TARN_DEVICE_INFO &e : events())
            n += e.eventType == eventType;
        return n;
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }

    // The newest event of a kind for the device with this MAC, if any.
    bool last(int eventType, const char *mac, TARN_DEVICE_INFO *out) const
    {
        bool found = false;
        for (const TARN_DEVICE_INFO &e : events()) {
            if (e.eventType == eventType && std::strncmp(e.macAddress, mac, sizeof e.macAddress) == 0) {
                *out = e;
                found = true;
            }
        }
        return found;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<TARN_DEVICE_INFO> m_events;
};

// Starts the emulator and waits for it to say it is ready.
inline bool startEmulator(QProcess &process, const QStringList &arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TARN_DEVICE_PROGRAM), arguments);
    if (!process.waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (process.waitForReadyRead(200) && process.readAllStandardOutput().contains("ready"))
            return true;
        if (process.state() != QProcess::Running)
            return false;
    }
    return false;
}

inline void stopEmulator(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(2000);
}
