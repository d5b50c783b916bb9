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

    // Looks for devices for at most `maxMs`, from the search discovery starts with: its rounds are
    // a second apart, and after each round's answers the search goes on one round further, naming
    // the devices already known, unless it has what it needs. With `enough`, that is when `enough`
    // answers true (and `minimumMs` has passed); without, when no new device has answered for two
    // rounds, or, once devices were seen to be missed (a later round brought one), for six rounds:
    // under loss a device may miss several rounds in a row.
    void search(int maxMs, const std::function<bool()> &enough = {}, int minimumMs = 0);

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

    TARN::TarnHandler *m_handler;
    QVector<TARN_DEVICE_INFO> m_devices;
    int m_heard = 0;  // devices ever heard, gone ones included
    std::function<bool()> m_enough;
    QEventLoop *m_loop = nullptr;
};

} // namespace TarnCli
