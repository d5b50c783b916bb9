#include "devicelist/devicestore.h"

#include <cstring>

#include "discovery/devicefields.h"
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

int DeviceStore::findKey(const QByteArray &key) const
{
    const auto it = m_positions.constFind(key);
    return it == m_positions.constEnd() ? -1 : it->first();
}

void DeviceStore::add(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    m_positions[keyOf(record)].append(m_devices.size());
    ++m_macs[fieldBytes(record.macAddress)];
    m_devices.append(record);
}

void DeviceStore::remove(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    const QByteArray key = keyOf(record);
    const int index = findKey(key);
    if (index < 0)
        return;
    const QByteArray mac = fieldBytes(m_devices.at(index).macAddress);
    if (--m_macs[mac] == 0)
        m_macs.remove(mac);
    m_devices.remove(index);
    QVector<int> &own = m_positions[key];
    own.removeFirst();
    if (own.isEmpty())
        m_positions.remove(key);
    for (QVector<int> &positions : m_positions) {
        for (int &p : positions) {
            if (p > index)
                --p;
        }
    }
}

void DeviceStore::replace(const TARN_DEVICE_INFO &record)
{
    QPX_Guard guard(m_mutex);
    const int index = findKey(keyOf(record));
    if (index >= 0)
        m_devices[index] = record;  // same identity, so the index stays as it is
}

bool DeviceStore::get(const QString &serial, const QString &mac, TARN_DEVICE_INFO *out)
{
    QPX_Guard guard(m_mutex);
    const int index = find(serial, mac);
    if (index < 0 || !out)
        return false;
    *out = m_devices.at(index);
    return true;
}

bool DeviceStore::getNetParam(const QString &serial, const QString &mac, TARN_NETWORK_PARAMS *out)
{
    QPX_Guard guard(m_mutex);
    const int index = find(serial, mac);
    if (index < 0 || !out)
        return false;
    const TARN_DEVICE_INFO &d = m_devices.at(index);
    copyText(out->ipv4Address, sizeof out->ipv4Address, d.ipv4Address, sizeof d.ipv4Address);
    copyText(out->ipv4SubnetMask, sizeof out->ipv4SubnetMask, d.ipv4SubnetMask, sizeof d.ipv4SubnetMask);
    copyText(out->ipv4Gateway, sizeof out->ipv4Gateway, d.ipv4Gateway, sizeof d.ipv4Gateway);
    copyText(out->ipv6Address, sizeof out->ipv6Address, d.ipv6Address, sizeof d.ipv6Address);
    copyText(out->ipv6Gateway, sizeof out->ipv6Gateway, d.ipv6Gateway, sizeof d.ipv6Gateway);
    out->port = quint16(d.port & 0xFFFF);
    out->ipv6PrefixLength = d.ipv6PrefixLength;
    out->dhcpEnabled = d.dhcpEnabled;
    out->httpPort = d.httpPort;
    return true;
}

bool DeviceStore::setNetParam(const QString &serial, const QString &mac, const TARN_NETWORK_PARAMS &in)
{
    QPX_Guard guard(m_mutex);
    const int index = find(serial, mac);
    if (index < 0)
        return false;
    TARN_DEVICE_INFO &d = m_devices[index];
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
    const int index = find(serial, mac);
    if (index < 0)
        return false;
    m_devices[index].activationState = value;
    return true;
}

int DeviceStore::find(const QString &serial, const QString &mac)
{
    QPX_Guard guard(m_mutex);
    QByteArray key;
    return keyOf(serial, mac, &key) ? findKey(key) : -1;
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
    m_positions.clear();
    m_macs.clear();
}

int DeviceStore::count()
{
    QPX_Guard guard(m_mutex);
    return m_devices.size();
}

} // namespace TarnTool
