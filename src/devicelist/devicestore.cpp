#include "devicelist/devicestore.h"

#include <cstring>

#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "qpx/qpxguard.h"

namespace TarnTool {

namespace {

QByteArray fieldBytes(const char *field, std::size_t width)
{
    return QByteArray(field, int(TARN::fieldLength(field, width)));
}

template <std::size_t N>
QByteArray fieldBytes(const char (&field)[N])
{
    return fieldBytes(field, N);
}

// Text as Latin-1 bytes, or false when no field text could equal it.
bool latin1Of(const QString &text, QByteArray *out)
{
    for (const QChar ch : text) {
        if (ch.unicode() == 0 || ch.unicode() > 0xFF)
            return false;
    }
    *out = text.toLatin1();
    return true;
}

// Copies a text field into a field of another width, always leaving the terminator in place.
void copyText(char *to, std::size_t toWidth, const char *from, std::size_t fromWidth)
{
    const std::size_t n = qMin(TARN::fieldLength(from, fromWidth), toWidth - 1);
    std::memset(to, 0, toWidth);
    std::memcpy(to, from, n);
}

} // namespace

QByteArray DeviceStore::keyOf(const TARN_DEVICE_INFO &record)
{
    return fieldBytes(record.serialNumber) + '\0' + fieldBytes(record.macAddress);
}

bool DeviceStore::keyOf(const QString &serial, const QString &mac, QByteArray *key)
{
    QByteArray s, m;
    if (!latin1Of(serial, &s) || !latin1Of(mac, &m))
        return false;
    *key = s + '\0' + m;
    return true;
}

TARN_DEVICE_INFO *DeviceStore::lookup(const QByteArray &key)
{
    const auto it = m_entries.constFind(key);
    return it == m_entries.constEnd() ? nullptr : &*it->first();
}

TARN_DEVICE_INFO *DeviceStore::lookup(const QString &serial, const QString &mac)
{
    QByteArray key;
    return keyOf(serial, mac, &key) ? lookup(key) : nullptr;
}

void DeviceStore::add(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    m_devices.push_back(record);
    m_entries[keyOf(record)].append(std::prev(m_devices.end()));
    ++m_macs[fieldBytes(record.macAddress)];
}

void DeviceStore::remove(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    const QByteArray key = keyOf(record);
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    const Entry entry = it->takeFirst();
    if (it->isEmpty())
        m_entries.erase(it);
    const QByteArray mac = fieldBytes(entry->macAddress);
    if (--m_macs[mac] == 0)
        m_macs.remove(mac);
    m_devices.erase(entry);
}

void DeviceStore::replace(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    if (TARN_DEVICE_INFO *stored = lookup(keyOf(record)))
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
    QByteArray bytes;
    return latin1Of(mac, &bytes) && m_macs.contains(bytes);
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

} // namespace TarnTool
