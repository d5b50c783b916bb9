#include "discovery/devicesteps.h"

#include <cstring>

#include <arpa/inet.h>

#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

namespace TARN {

namespace {

template <std::size_t To, std::size_t From>
void copyText(char (&to)[To], const char (&from)[From])
{
    const std::size_t n = qMin(fieldLength(from, From), To - 1);
    std::memset(to, 0, To);
    std::memcpy(to, from, n);
}

} // namespace

void netParamsOf(const TARN_DEVICE_INFO &d, TARN_NETWORK_PARAMS *out)
{
    copyText(out->ipv4Address, d.ipv4Address);
    copyText(out->ipv4SubnetMask, d.ipv4SubnetMask);
    copyText(out->ipv4Gateway, d.ipv4Gateway);
    copyText(out->ipv6Address, d.ipv6Address);
    copyText(out->ipv6Gateway, d.ipv6Gateway);
    out->port = quint16(d.port & 0xFFFF);
    out->ipv6PrefixLength = d.ipv6PrefixLength;
    out->dhcpEnabled = d.dhcpEnabled;
    out->httpPort = d.httpPort;
}

namespace {

// Devices may write an IPv6 address in another form than it was sent in.
bool sameIpv6(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    unsigned char x[16], y[16];
    return inet_pton(AF_INET6, a.toLatin1().constData(), x) == 1 && inet_pton(AF_INET6, b.toLatin1().constData(), y) == 1
        && std::memcmp(x, y, sizeof x) == 0;
}

} // namespace

bool holdsNetParams(const TARN_DEVICE_INFO &announced, const TARN_NETWORK_PARAMS &sent)
{
    if ((announced.dhcpEnabled == 1) != (sent.dhcpEnabled == 1))
        return false;
    // ONVIF devices have no device port: they ignore the one sent.
    if ((announced.protocol != TARN_PROTOCOL_ONVIF && announced.port != int(sent.port))
        || announced.httpPort != sent.httpPort)
        return false;
    // A device that takes IPv6 settings takes all three, under DHCP too; one that does not
    // ignores them, so its announcement cannot show them.
    if ((announced.capabilityFlags & TARN_CAP_MODIFY_IPV6) && announced.ipv6Valid == 1
        && (!sameIpv6(fieldText(announced.ipv6Address), fieldText(sent.ipv6Address))
            || !sameIpv6(fieldText(announced.ipv6Gateway), fieldText(sent.ipv6Gateway))
            || announced.ipv6PrefixLength != sent.ipv6PrefixLength))
        return false;
    // Under DHCP the device takes the addresses its server gives.
    if (sent.dhcpEnabled == 1)
        return true;
    return fieldText(announced.ipv4Address) == fieldText(sent.ipv4Address)
        && fieldText(announced.ipv4SubnetMask) == fieldText(sent.ipv4SubnetMask)
        && fieldText(announced.ipv4Gateway) == fieldText(sent.ipv4Gateway);
}

int addressHolder(const QVector<TARN_DEVICE_INFO> &devices, const QString &address, const QSet<QString> &batch)
{
    for (int i = 0; i < devices.size(); ++i) {
        const TARN_DEVICE_INFO &d = devices.at(i);
        if (d.dhcpEnabled != 1 && fieldText(d.ipv4Address) == address
            && !batch.contains(QString::fromStdString(tarn::canonicalMac(macOf(d).toStdString()))))
            return i;
    }
    return -1;
}

BatchStep modifyStep(const QString &mac, const QString &address, const QByteArray &password,
                     const TARN_NETWORK_PARAMS &params)
{
    BatchStep step;
    step.mac = mac;
    step.address = address;
    const QByteArray macBytes = mac.toLatin1();
    step.call = [macBytes, password, params](TarnHandler *handler) {
        return handler->modifyDeviceNetParam(macBytes, password, params);
    };
    step.took = [params](const TARN_DEVICE_INFO &announced) { return holdsNetParams(announced, params); };
    return step;
}

BatchStep activateStep(const QString &serial, const QString &mac, const QString &address, const QByteArray &password)
{
    BatchStep step;
    step.mac = mac;
    step.address = address;
    const QByteArray serialBytes = serial.toLatin1();
    step.call = [serialBytes, password](TarnHandler *handler) { return handler->activateDevice(serialBytes, password); };
    step.took = [](const TARN_DEVICE_INFO &announced) { return announced.activationState == TARN_ACTIVATED; };
    return step;
}

} // namespace TARN
