#pragma once

#include <atomic>
#include <memory>

#include <QByteArray>
#include <QObject>

#include "discovery/csingleton.h"
#include "discovery/deviceinfo.h"
#include "discovery/tarnlibrary.h"

namespace TARN {

class OnvifDevices;
using Singleton::CSingleton;

// The one gateway to the discovery library. It starts and stops discovery, wraps each device
// operation as a bool (read getLastError() right after a false), and turns the library's callbacks,
// which run on the library's own thread, into signals that carry a copy of the record.
class TarnHandler : public QObject, public CSingleton<TarnHandler>
{
    Q_OBJECT

public:
    // The application reaches the handler through instance(), on the real library; tests build
    // their own with a fake one.
    explicit TarnHandler(const TarnLibrary &library = TarnLibrary::real());
    ~TarnHandler() override;

    // Finds and configures ONVIF devices too, from the next start(): their records carry
    // TARN_PROTOCOL_ONVIF, and the operations below go to them by serial number or MAC.
    void enableOnvif();
    // The site's user name and password for ONVIF devices, kept in memory only; an empty user
    // forgets them. Devices are read again with them.
    void setSiteCredentials(const QString &user, const QByteArray &password);
    bool hasSiteCredentials() const;
    // ONVIF devices being read, or waiting to be.
    int onvifReadsPending() const;
    bool isOnvifSerial(const QByteArray &serial) const;
    // The fingerprint of an ONVIF device's https certificate, when it has one.
    QString onvifCertificate(const QByteArray &serial) const;

    bool start();
    bool stop();
    bool sendInquiry();
    bool clearup();
    // The first two arguments reach the library swapped: level first, then the folder.
    bool setLogToFile(const char *directory, int level, int autoDelete);
    bool setDeviceFilterRule(bool on);
    bool activateDevice(const QByteArray &serial, const QByteArray &password);
    bool modifyDeviceNetParam(const QByteArray &mac, const QByteArray &password, const TARN_NETWORK_PARAMS &params);
    bool getDeviceConfig(const QByteArray &serial, unsigned int kind, const void *in, unsigned int inLen,
                         void *out, unsigned int outLen);
    bool resetPasswd(const QByteArray &serial, const TARN_RESET_PARAM &request);
    bool resetDefaultPasswd(const QByteArray &serial, const QByteArray &securityCode);
    int getLastError() const;

    bool isStarted() const { return m_started; }
    // Counts the clear-ups. An event taken in before a clear-up and handed on after it speaks of a
    // device the library has forgotten and will never report gone: receivers that queue events
    // note this number with each and drop those from an older one.
    quint64 generation() const { return m_generation.load(); }

    // Runs on the library's thread: checks the record and emits the matching signal.
    static void deviceCallback(const TARN_DEVICE_INFO *record, void *context);
    // Whether every text field before the event kind ends inside its own width.
    static bool recordTextsTerminated(const TARN_DEVICE_INFO &record);

signals:
    void signalDeviceOnline(TARN_DEVICE_INFO struDevInfo);
    void signalDeviceOffline(TARN_DEVICE_INFO struDevInfo);
    void signalDeviceUpdate(TARN_DEVICE_INFO struDevInfo);

private:
    const TarnLibrary &m_library;
    std::unique_ptr<OnvifDevices> m_onvif;
    bool m_started = false;
    std::atomic<quint64> m_generation {0};
};

} // namespace TARN
