#include "devicelist/devicestore.h"

#include <cstring>

#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "qpx/qpxguard.h"

namespace TarnTool {

namespace {

// Copies a text field into a field of another width, always leaving the terminator in place.
void copyText(char *to, std::size_t toWidth, const char *from, std::size_t fromWidth)
{
    const std::size_t n = qMin(TARN::fieldLength(from, fromWidth), toWidth - 1);
    std::memset(to, 0, toWidth);
    std::memcpy(to, from, n);
}

} // namespace

TARN_DEVICE_INFO *DeviceStore::lookup(const tarn::DeviceIdentity &id)
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : &*it->second.first();
}

TARN_DEVICE_INFO *DeviceStore::lookup(const QString &serial, const QString &mac)
{
    tarn::DeviceIdentity id;
    return TARN::identityOf(serial, mac, &id) ? lookup(id) : nullptr;
}

void DeviceStore::add(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    m_devices.push_back(record);
    const tarn::DeviceIdentity id = TARN::identityOf(record);
    m_entries[id].append(std::prev(m_devices.end()));
    ++m_macs[id.mac()];
}

void DeviceStore::remove(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    const tarn::DeviceIdentity id = TARN::identityOf(record);
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    const Entry entry = it->second.takeFirst();
    if (it->second.isEmpty())
        m_entries.erase(it);
    const auto mac = m_macs.find(id.mac());
    if (mac != m_macs.end() && --mac->second == 0)
        m_macs.erase(mac);
    m_devices.erase(entry);
}

void DeviceStore::replace(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    if (TARN_DEVICE_INFO *stored = lookup(TARN::identityOf(record)))
        *stored = record;  // same identity, so the index stays as it is
}

bool DeviceStore::get(const QString &serial, const QString &mac, TARN_DEVICE_INFO *out)
{
    QPX_Guard guard(m_mutex);
    const TARN_DEVICE_INFO *stored = lookup(serial, mac);
    if (!stored || !out)
        return false;
    *out = *stored;
    return true;
}

bool DeviceStore::getNetParam(const QString &serial, const QString &mac, TARN_NETWORK_PARAMS *out)
{
    QPX_Guard guard(m_mutex);
    const TARN_DEVICE_INFO *stored = lookup(serial, mac);
    if (!stored || !out)
        return false;
    TARN::netParamsOf(*stored, out);
    return true;
}

bool DeviceStore::setNetParam(const QString &serial, const QString &mac, const TARN_NETWORK_PARAMS &in)
{
    QPX_Guard guard(m_mutex);
    TARN_DEVICE_INFO *stored = lookup(serial, mac);
    if (!stored)
        return false;
    TARN_DEVICE_INFO &d = *stored;
    copyText(d.ipv4Address, sizeof d.ipv4Address, in.ipv4Address, sizeof in.ipv4Address);
    copyText(d.ipv4SubnetMask, sizeof d.ipv4SubnetMask, in.ipv4SubnetMask, sizeof in.ipv4SubnetMask);
    copyText(d.ipv4Gateway, sizeof d.ipv4Gateway, in.ipv4Gateway, sizeof in.ipv4Gateway);
    copyText(d.ipv6Address, sizeof d.ipv6Address, in.ipv6Address, sizeof in.ipv6Address);
    copyText(d.ipv6Gateway, sizeof d.ipv6Gateway, in.ipv6Gateway, sizeof in.ipv6Gateway);
    d.port = int(in.port);
    d.ipv6PrefixLength = in.ipv6PrefixLength;
    d.dhcpEnabled = in.dhcpEnabled;
    d.httpPort = in.httpPort;
    return true;
}

bool DeviceStore::setActivated(const QString &serial, const QString &mac, quint8 value)
{
    QPX_Guard guard(m_mutex);
    TARN_DEVICE_INFO *stored = lookup(serial, mac);
    if (!stored)
        return false;
    stored->activationState = value;
    return true;
}

int DeviceStore::find(const QString &serial, const QString &mac)
{
    QPX_Guard guard(m_mutex);
    const TARN_DEVICE_INFO *stored = lookup(serial, mac);
    if (!stored)
        return -1;
    int index = 0;
    for (const TARN_DEVICE_INFO &d : m_devices) {
        if (&d == stored)
            return index;
        ++index;
    }
    return -1;
}

bool DeviceStore::containsMac(const QString &mac) const
{
    // Only the MAC half counts here; the serial text is any that a field can hold.
    tarn::DeviceIdentity id;
    return TARN::identityOf(QString(), mac, &id) && m_macs.count(id.mac()) != 0;
}

void DeviceStore::clear()
{
    QPX_Guard guard(m_mutex);
    m_devices.clear();
    m_entries.clear();
    m_macs.clear();
}

int DeviceStore::count()
{
    QPX_Guard guard(m_mutex);
    return int(m_devices.size());
}

QVector<TARN_DEVICE_INFO> DeviceStore::records()
{
    QPX_Guard guard(m_mutex);
    return QVector<TARN_DEVICE_INFO>(m_devices.cbegin(), m_devices.cend());
}

} // namespace TarnTool
