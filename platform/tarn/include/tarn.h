/*
 * Public interface of the discovery library: the records it hands out and takes in.
 *
 * Plain C, usable from C and C++. Every record has a fixed little-endian layout that is shared with
 * callers built separately from the library, so each size and offset is checked at compile time.
 * Text fields are single-byte character arrays that are NUL-terminated when shorter than the field;
 * a reader must never assume the terminator is there (see the bounded readers in the application).
 */
#ifndef TARN_H
#define TARN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define TARN_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define TARN_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Event kinds carried in TARN_DEVICE_INFO.eventType. */
#define TARN_EVENT_ONLINE 1
#define TARN_EVENT_UPDATE 2
#define TARN_EVENT_OFFLINE 3
#define TARN_EVENT_ONLINE_ALT 4

/* Bits of TARN_DEVICE_INFO.capabilityFlags. */
#define TARN_CAP_IPV6 0x01
#define TARN_CAP_MODIFY_IPV6 0x02
#define TARN_CAP_DHCP 0x04
#define TARN_CAP_KEY_RESET 0x40
#define TARN_CAP_RESET_OPTION 0x80

/* TARN_DEVICE_INFO.activationState */
#define TARN_ACTIVATED 0
#define TARN_NOT_ACTIVATED 1

/*
 * One device as the library reports it: 500 bytes, one record per event. The reserved fields keep
 * every member at its natural alignment, so the layout needs no packing pragma.
 */
typedef struct TARN_DEVICE_INFO {
    char reserved0[12];
    char serialNumber[48];
    char macAddress[20];
    char ipv4Address[16];
    char ipv4SubnetMask[16];
    int32_t deviceTypeCode;
    int32_t port;
    int32_t channelCount;
    uint8_t reserved1[4];
    char softwareVersion[48];
    char dspVersion[48];
    char startTime[48];
    int32_t eventType;
    char deviceTypeName[48];
    char ipv4Gateway[16];
    char ipv6Address[46];
    char ipv6Gateway[46];
    uint8_t ipv6PrefixLength;
    uint8_t capabilityFlags;
    uint8_t dhcpEnabled;
    uint8_t ipv6Valid;
    uint16_t httpPort;
    uint8_t reserved2[21];
    uint8_t activationState;
    uint8_t reserved3[24];
    uint8_t extraFlags;
    uint8_t reserved4[15];
} TARN_DEVICE_INFO;

TARN_STATIC_ASSERT(sizeof(TARN_DEVICE_INFO) == 500, "TARN_DEVICE_INFO must be 500 bytes");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved0) == 0, "reserved0");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, serialNumber) == 12, "serialNumber");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, macAddress) == 60, "macAddress");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv4Address) == 80, "ipv4Address");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv4SubnetMask) == 96, "ipv4SubnetMask");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, deviceTypeCode) == 112, "deviceTypeCode");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, port) == 116, "port");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, channelCount) == 120, "channelCount");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved1) == 124, "reserved1");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, softwareVersion) == 128, "softwareVersion");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, dspVersion) == 176, "dspVersion");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, startTime) == 224, "startTime");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, eventType) == 272, "eventType");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, deviceTypeName) == 276, "deviceTypeName");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv4Gateway) == 324, "ipv4Gateway");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv6Address) == 340, "ipv6Address");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv6Gateway) == 386, "ipv6Gateway");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv6PrefixLength) == 432, "ipv6PrefixLength");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, capabilityFlags) == 433, "capabilityFlags");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, dhcpEnabled) == 434, "dhcpEnabled");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, ipv6Valid) == 435, "ipv6Valid");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, httpPort) == 436, "httpPort");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved2) == 438, "reserved2");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, activationState) == 459, "activationState");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved3) == 460, "reserved3");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, extraFlags) == 484, "extraFlags");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved4) == 485, "reserved4");

#ifdef __cplusplus
}
#endif

#endif /* TARN_H */
