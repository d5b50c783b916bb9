#pragma once

#include <list>
#include <unordered_map>

#include <QString>
#include <QVector>

#include "discovery/csingleton.h"
#include "qpx/qpxmutex.h"
#include "tarn.h"
#include "tarn_identity.h"

namespace TarnTool {

// The process-wide copies of every device record on the table, in arrival order, found by the
// pair (serial number, MAC address) compared as exact text. The modify panel and the network form
// read and write it; the display page keeps it in step with discovery.
//
// Every operation takes the recursive mutex itself, except containsMac(), whose caller holds it.
// Callers may hold mutex() across several calls.
class DeviceStore : public Singleton::CSingleton<DeviceStore>
{
public:
    DeviceStore() = default;

    QPX_Mutex &mutex() { return m_mutex; }

    void add(const TARN_DEVICE_INFO &record);
    // Removes the first entry with the record's identity.
    void remove(const TARN_DEVICE_INFO &record);
    // Overwrites all 500 bytes of the first entry with the record's identity.
    void replace(const TARN_DEVICE_INFO &record);
    bool get(const QString &serial, const QString &mac, TARN_DEVICE_INFO *out);
    bool getNetParam(const QString &serial, const QString &mac, TARN_NETWORK_PARAMS *out);
    bool setNetParam(const QString &serial, const QString &mac, const TARN_NETWORK_PARAMS &in);
    bool setActivated(const QString &serial, const QString &mac, quint8 value);
    // Arrival-order index of the first entry with this identity, or -1. It walks the entries; the
    // other operations find theirs without.
    int find(const QString &serial, const QString &mac);
    bool containsMac(const QString &mac) const;
    void clear();

    int count();
    // Copies of every entry, in arrival order.
    QVector<TARN_DEVICE_INFO> records();

private:
    using Entry = std::list<TARN_DEVICE_INFO>::iterator;
    TARN_DEVICE_INFO *lookup(const tarn::DeviceIdentity &id);
    TARN_DEVICE_INFO *lookup(const QString &serial, const QString &mac);

    QPX_Mutex m_mutex;
    // Entries in arrival order. A list, so that a device leaving a long table moves nothing and
    // the index below stays valid.
    std::list<TARN_DEVICE_INFO> m_devices;
    // The entries of each identity in arrival order, and how many entries hold each MAC text.
    std::unordered_map<tarn::DeviceIdentity, QVector<Entry>, tarn::DeviceIdentityHash> m_entries;
    std::unordered_map<std::string, int> m_macs;
};

} // namespace TarnTool
