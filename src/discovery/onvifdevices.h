#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <QByteArray>
#include <QString>

#include "onvif.h"
#include "tarn.h"

class QThreadPool;

namespace TARN {

// ONVIF devices as the rest of the tool sees TARN ones: the same records and events, with
// `protocol` saying which kind a device is. Discovery alone gives name, hardware, address and
// HTTP port; with the site's credentials (kept in memory only) each device's details are read,
// a few devices at a time. A device in the factory state answers without credentials, so it is
// read anyway and shows as not activated.
//
// A record's identity is its serial number and MAC once they are read; before that the endpoint
// reference stands in for the serial. When they become known, the device leaves under its old
// identity and comes back under the new one.
//
// Events go to the sink from the discovery thread or a reading thread; operations block their
// caller and may run on several threads at once.
class OnvifDevices
{
public:
    using Emit = std::function<void(const TARN_DEVICE_INFO &record)>;

    explicit OnvifDevices(Emit sink);
    ~OnvifDevices();
    OnvifDevices(const OnvifDevices &) = delete;
    OnvifDevices &operator=(const OnvifDevices &) = delete;

    bool start(QString *error);
    void stop();
    void probe();
    // Tells about every device known again, as if each had just been found: after the table was
    // cleared, since discovery reports only what changes.
    void republish();

    // The site's credentials for reading and changing devices; an empty user forgets them. Every
    // device is read again with them.
    void setCredentials(const QString &user, const QByteArray &password);
    bool hasCredentials() const;
    // Devices whose reads are under way or waiting.
    int pendingReads() const;

    bool ownsSerial(const QByteArray &serial) const;
    // The SHA-256 fingerprint of the certificate the device's https service showed, "AB:CD:...";
    // empty over plain HTTP or before it was read.
    QString certificateOf(const QByteArray &serial) const;
    bool ownsMac(const QByteArray &mac) const;

    // Creates the first Administrator (the site's user name, else "admin") of a device in the
    // factory state. False with a TARN error code in `error`.
    bool activate(const QByteArray &serial, const QByteArray &password, int *error);
    // Gives the device the IPv4 settings, gateway and HTTP port of `params` with the site's user
    // name (else "admin") and `password`. True only once the device answers with them, at its new
    // address when that changed; otherwise false with 2011 (whether it took them is unknown) or
    // the code of what went wrong. IPv6 and the device port do not apply to ONVIF devices.
    bool modify(const QByteArray &mac, const QByteArray &password, const TARN_NETWORK_PARAMS &params, int *error);

    // The record a device gives, from what is known of it.
    struct Known
    {
        tarn::onvif::Device device;
        bool factory = false;
        int state = TARN_ONVIF_DISCOVERED;
        tarn::onvif::Details details;
        bool haveDetails = false;
        std::string certificate;  // https only: the server certificate's SHA-256, as read
    };
    static TARN_DEVICE_INFO recordOf(const Known &known, int eventType);
    // Maps a failed ONVIF call to the TARN code the tool reports.
    static int errorCode(tarn::onvif::ErrorKind kind, bool change);

private:
    struct Entry;
    void onDiscovery(tarn::onvif::Event event, const tarn::onvif::Device &device);
    void scheduleRead(const std::string &endpoint);
    void read(const std::string &endpoint);
    // Records the entry's new state and tells about it: under a new identity, the old one leaves.
    void publish(const std::string &endpoint, const Known &known);
    // Queues the entry's record as shown (online the first time, else an update); a record under
    // another identity than the one shown is a new device, and the old one goes offline first.
    static void show(Entry &e, std::vector<TARN_DEVICE_INFO> &out);
    std::string endpointOf(const QByteArray &serialOrMac, bool mac) const;
    bool knownOf(const std::string &endpoint, Known *out) const;
    tarn::onvif::Credentials credentialsWith(const QByteArray &password) const;

    Emit m_emit;
    tarn::onvif::Discovery m_discovery;
    tarn::onvif::Client m_client;
    std::unique_ptr<QThreadPool> m_pool;
    mutable std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<Entry>> m_entries;  // by endpoint
    std::string m_user;
    tarn::onvif::Secret m_password;
    bool m_haveCredentials = false;
    int m_pending = 0;
};

} // namespace TARN
