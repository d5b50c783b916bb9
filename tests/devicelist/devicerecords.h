#pragma once

#include <cstring>

#include <QString>

#include "discovery/devicefields.h"
#include "tarn.h"

// Device records for the tests: everything filled the way a real device would report it.
namespace devicerecords {

inline TARN_DEVICE_INFO make(const QString &serial, const QString &mac, const QString &ip = QStringLiteral("192.168.1.64"),
                             quint8 activationState = TARN_ACTIVATED)
{
    TARN_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    TARN::setFieldText(r.serialNumber, serial);
    TARN::setFieldText(r.macAddress, mac);
    TARN::setFieldText(r.ipv4Address, ip);
    TARN::setFieldText(r.ipv4SubnetMask, QStringLiteral("255.255.255.0"));
    TARN::setFieldText(r.ipv4Gateway, QStringLiteral("192.168.1.1"));
    TARN::setFieldText(r.deviceTypeName, QStringLiteral("IPC-T2"));
    TARN::setFieldText(r.softwareVersion, QStringLiteral("V5.4.1 build 200101"));
    TARN::setFieldText(r.dspVersion, QStringLiteral("V7.3"));
    TARN::setFieldText(r.startTime, QStringLiteral("2026-12-08 10:00:00"));
    TARN::setFieldText(r.ipv6Address, QStringLiteral("fe80::1"));
    TARN::setFieldText(r.ipv6Gateway, QStringLiteral("fe80::fe"));
    r.port = 8000;
    r.channelCount = 1;
    r.eventType = TARN_EVENT_ONLINE;
    r.ipv6PrefixLength = 64;
    r.capabilityFlags = TARN_CAP_IPV6 | TARN_CAP_MODIFY_IPV6 | TARN_CAP_DHCP;
    r.dhcpEnabled = 0;
    r.ipv6Valid = 1;
    r.httpPort = 80;
    r.activationState = activationState;
    return r;
}

} // namespace devicerecords
