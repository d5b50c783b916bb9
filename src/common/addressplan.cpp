#include "common/addressplan.h"

#include <QCoreApplication>
#include <QStringList>

#include "common/addresscheck.h"

namespace {

bool parse(const QString &text, quint32 *value)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 v = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const uint octet = part.toUInt(&ok, 10);
        if (!ok || octet > 255)
            return false;
        v = (v << 8) | octet;
    }
    *value = v;
    return true;
}

QString format(quint32 v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v >> 24).arg((v >> 16) & 0xff).arg((v >> 8) & 0xff).arg(v & 0xff);
}

} // namespace

AddressPlan AddressPlan::make(const QString &start, const QString &mask, const QString &gateway, int count)
{
    AddressPlan plan;
    quint32 first = 0, bits = 0, gate = 0;
    if (!isValidIPv4Address(start.trimmed()) || !parse(start, &first)) {
        plan.m_error = BadStart;
        return plan;
    }
    if (!isValidSubnetMask(mask.trimmed()) || !parse(mask, &bits)) {
        plan.m_error = BadMask;
        return plan;
    }
    const bool hasGateway = parse(gateway, &gate) && gate != 0;
    const quint32 network = first & bits;
    const quint32 broadcast = network | ~bits;
    // A /31 or /32 has no host addresses in the ordinary sense; nothing is planned there.
    if (first == network || first == broadcast || broadcast - network < 2) {
        plan.m_error = StartNotHost;
        return plan;
    }
    // Starting past the address typed would give the first device an address nobody asked for.
    if ((first & 0xff) == 0 || (first & 0xff) == 255 || (hasGateway && first == gate)) {
        plan.m_error = StartSkipped;
        return plan;
    }
    // 64-bit, so that the last address of the space cannot wrap round to the first.
    for (quint64 a = first; a < broadcast && plan.m_fit < count; ++a) {
        const quint32 address = quint32(a);
        const quint32 last = address & 0xff;
        if (last == 0 || last == 255 || (hasGateway && address == gate))
            continue;
        plan.m_addresses << format(address);
        ++plan.m_fit;
    }
    if (plan.m_fit < count) {
        plan.m_error = TooMany;
        plan.m_addresses.clear();
    }
    return plan;
}

bool AddressPlan::isDeviceAddress(const QString &address, const QString &mask, const QString &gateway)
{
    const AddressPlan plan = make(address, mask, gateway, 1);
    return plan.ok() && plan.addresses().first() == address.trimmed();
}

bool AddressPlan::sameSubnet(const QString &a, const QString &b, const QString &mask)
{
    quint32 x = 0, y = 0, bits = 0;
    return parse(a, &x) && parse(b, &y) && parse(mask, &bits) && (x & bits) == (y & bits);
}

QString AddressPlan::subnetOf(const QString &address, const QString &mask)
{
    quint32 x = 0, bits = 0;
    if (!parse(address, &x) || !parse(mask, &bits))
        return QString();
    int prefix = 0;
    for (quint32 b = bits; b & 0x80000000u; b <<= 1)
        ++prefix;
    return QStringLiteral("%1/%2").arg(format(x & bits)).arg(prefix);
}

QString AddressPlan::message(int count) const
{
    switch (m_error) {
    case NoError:
        return QString();
    case BadStart:
        return QCoreApplication::translate("TarnTool::DeviceModifyPage", "IP Address not correct.");
    case BadMask:
        return QCoreApplication::translate("TarnTool::DeviceModifyPage", "Subnet Mask not correct.");
    case StartNotHost:
        return QCoreApplication::translate("TarnTool::DeviceModifyPage",
                                           "The start address is not a host address of its subnet.");
    case StartSkipped:
        return QCoreApplication::translate("TarnTool::DeviceModifyPage",
                                           "No device takes the start address: it ends in .0 or .255, or is the "
                                           "gateway. Choose another start address.");
    case TooMany:
        return QCoreApplication::translate("TarnTool::DeviceModifyPage",
                                           "Only %1 of the %2 devices fit between the start address and the end of "
                                           "its subnet. Nothing was changed.")
            .arg(m_fit)
            .arg(count);
    }
    return QString();
}
