#include "discovery/devicesteps.h"

#include <cstring>

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

bool holdsNetParams(const TARN_DEVICE_INFO &announced, const TARN_NETWORK_PARAMS &sent)
{
    if ((announced.dhcpEnabled == 1) != (sent.dhcpEnabled == 1))
        return false;
    if (announced.port != int(sent.port) || announced.httpPort != sent.httpPort)
        return false;
    // Under DHCP the device takes the addresses its server gives.
    if (sent.dhcpEnabled == 1)
        return true;
    return fieldText(announced.ipv4Address) == fieldText(sent.ipv4Address)
        && fieldText(announced.ipv4SubnetMask) == fieldText(sent.ipv4SubnetMask)
        && fieldText(announced.ipv4Gateway) == fieldText(sent.ipv4Gateway);
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
