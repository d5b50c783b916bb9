#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QVector>

#include "tarn.h"

class QEventLoop;

namespace TARN {
class TarnHandler;
}

namespace TarnCli {

// The devices discovery has found so far, in order of arrival, kept in step with their
// announcements and goodbyes. The handler's signals arrive from the library's thread and are
// taken here on the thread that owns the scan.
class DeviceScan : public QObject
{
    Q_OBJECT

public:
    explicit DeviceScan(TARN::TarnHandler *handler, QObject *parent = nullptr);

    // Runs the event loop for up to `ms` milliseconds, or until `enough` answers true after a
    // device event.
    void wait(int ms, const std::function<bool()> &enough = {});

    const QVector<TARN_DEVICE_INFO> &devices() const { return m_devices; }
    // The index of the device with this serial number, or -1.
    int findSerial(const QString &serial) const;
    // The index of the device with the record's identity, or -1.
    int indexOf(const TARN_DEVICE_INFO &record) const;

private slots:
    void onOnline(const TARN_DEVICE_INFO &record);
    void onUpdate(const TARN_DEVICE_INFO &record);
    void onOffline(const TARN_DEVICE_INFO &record);

private:
    void changed();

    QVector<TARN_DEVICE_INFO> m_devices;
    std::function<bool()> m_enough;
    QEventLoop *m_loop = nullptr;
};

} // namespace TarnCli
