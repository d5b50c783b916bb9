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

/* TARN_DEVICE_INFO.protocol: which protocol the device speaks, so operations go the right way. */
#define TARN_PROTOCOL_TARN 0
#define TARN_PROTOCOL_ONVIF 1

/* TARN_DEVICE_INFO.protocolState of an ONVIF device: how far the tool got reading it. */
#define TARN_ONVIF_DISCOVERED 0  /* only what discovery tells: no credentials tried yet */
#define TARN_ONVIF_READ 1        /* its details were read */
#define TARN_ONVIF_REFUSED 2     /* the site credentials do not open it */
#define TARN_ONVIF_NO_ANSWER 3   /* its device service did not answer, or answered nonsense */
#define TARN_ONVIF_ELSEWHERE 4   /* it names no service at its own address: not contacted */

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
    uint8_t protocol;
    uint8_t protocolState;
    uint8_t reserved2[19];
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
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, protocol) == 438, "protocol");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, protocolState) == 439, "protocolState");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved2) == 440, "reserved2");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, activationState) == 459, "activationState");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved3) == 460, "reserved3");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, extraFlags) == 484, "extraFlags");
TARN_STATIC_ASSERT(offsetof(TARN_DEVICE_INFO, reserved4) == 485, "reserved4");

/*
 * Network parameters of a modify call: 436 bytes, integers little-endian, text NUL-terminated
 * Latin-1 and zero-filled behind the text.
 */
typedef struct TARN_NETWORK_PARAMS {
    char ipv4Address[16];
    char ipv4SubnetMask[16];
    char ipv4Gateway[16];
    char ipv6Address[128];
    char ipv6Gateway[128];
    uint16_t port;
    uint8_t ipv6PrefixLength;
    uint8_t dhcpEnabled;
    uint16_t httpPort;
    uint8_t reserved[126];
} TARN_NETWORK_PARAMS;

TARN_STATIC_ASSERT(sizeof(TARN_NETWORK_PARAMS) == 436, "TARN_NETWORK_PARAMS must be 436 bytes");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv4Address) == 0, "ipv4Address");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv4SubnetMask) == 16, "ipv4SubnetMask");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv4Gateway) == 32, "ipv4Gateway");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv6Address) == 48, "ipv6Address");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv6Gateway) == 176, "ipv6Gateway");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, port) == 304, "port");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, ipv6PrefixLength) == 306, "ipv6PrefixLength");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, dhcpEnabled) == 307, "dhcpEnabled");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, httpPort) == 308, "httpPort");
TARN_STATIC_ASSERT(offsetof(TARN_NETWORK_PARAMS, reserved) == 310, "reserved");

/*
 * A password reset with the maker's key: 1044 bytes, zero-filled before use. Text fields are
 * copied without a terminator and never longer than the field.
 */
typedef struct TARN_RESET_PARAM {
    char key[256];
    char keyFilePath[260];
    char password[16];
    uint8_t resetIpc;
    uint8_t reserved[511];
} TARN_RESET_PARAM;

TARN_STATIC_ASSERT(sizeof(TARN_RESET_PARAM) == 1044, "TARN_RESET_PARAM must be 1044 bytes");
TARN_STATIC_ASSERT(offsetof(TARN_RESET_PARAM, key) == 0, "key");
TARN_STATIC_ASSERT(offsetof(TARN_RESET_PARAM, keyFilePath) == 256, "keyFilePath");
TARN_STATIC_ASSERT(offsetof(TARN_RESET_PARAM, password) == 516, "password");
TARN_STATIC_ASSERT(offsetof(TARN_RESET_PARAM, resetIpc) == 532, "resetIpc");
TARN_STATIC_ASSERT(offsetof(TARN_RESET_PARAM, reserved) == 533, "reserved");

/* Key request kinds of TARN_GetDeviceConfig: a 4-byte little-endian count, then the data. */
#define TARN_CONFIG_KEY_REQUEST 1    /* 256 data bytes, buffer of 260 */
#define TARN_CONFIG_KEY_REQUEST_QR 2 /* up to 384 data bytes of text, buffer of 388 */

/* TARN_Start_V30 modes. */
#define TARN_MODE_IP 0         /* receive through ordinary UDP sockets only */
#define TARN_MODE_LINK_LAYER 1 /* also receive at the link layer where permitted, so that answers
                                  from devices in foreign subnets survive the reverse-path filter */

/* TARN_SetDeviceFilterRule rules. */
#define TARN_FILTER_NONE 0   /* report every device whose announcement decodes */
#define TARN_FILTER_STRICT 1 /* drop devices with an empty serial, a malformed MAC or IPv4 address */

/* Log levels of TARN_SetLogToFile. */
#define TARN_LOG_NONE 0
#define TARN_LOG_ERROR 1
#define TARN_LOG_WARNING 2
#define TARN_LOG_INFO 3
#define TARN_LOG_DEBUG 4

/* Codes of TARN_GetLastError (per calling thread; 0 before any failure). */
#define TARN_ERR_NONE 0
#define TARN_ERR_BAD_ARGUMENT 2001    /* null, overlong or malformed argument */
#define TARN_ERR_NOT_STARTED 2002     /* the call needs TARN_Start_V30 first */
#define TARN_ERR_NETWORK 2003         /* no usable interface, or a socket failed */
#define TARN_ERR_NO_MEMORY 2004
#define TARN_ERR_ALREADY_STARTED 2005 /* TARN_Start_V30 while running */
#define TARN_ERR_DENIED 2009          /* the device refused the password */
#define TARN_ERR_LOCKED 2010          /* the device is locked after repeated wrong passwords */
#define TARN_ERR_TIMEOUT 2011         /* no valid answer inside the time budget */
#define TARN_ERR_KEY_MISMATCH 2012    /* the device could not prove its identity (certificate, signature) */
#define TARN_ERR_INVALID_PARAM 2013   /* the device refused the values (address, password rule) */
#define TARN_ERR_NOT_ACTIVATED 2014   /* the device has no admin password yet */
#define TARN_ERR_DEVICE_FAILED 2015   /* the device could not carry out the request */
#define TARN_ERR_KEY_REFUSED 2016     /* the key is not the maker's answer to this device's request */
#define TARN_ERR_REQUEST_EXPIRED 2017 /* the key request the key answers has expired */
#define TARN_ERR_NO_REQUEST 2018      /* no open key request: never made, replaced by a newer one, or used */
#define TARN_ERR_KEY_FILE 2019        /* the key file cannot be read or holds no key */
#define TARN_ERR_NOT_SUPPORTED 2020   /* the operation is not supported (here or by the device) */
#define TARN_ERR_ALREADY_ACTIVATED 2021

#if defined(__GNUC__)
#define TARN_API __attribute__((visibility("default")))
#else
#define TARN_API
#endif

typedef void (*TARN_DEVICE_CALLBACK)(const TARN_DEVICE_INFO *device, void *context);

/* Every function answers 1 or more on success, 0 on failure; TARN_GetLastError tells why. */
TARN_API int TARN_SetLogToFile(int level, const char *directory, int autoDelete);
TARN_API int TARN_SetDeviceFilterRule(int rule, const void *reserved, unsigned int reservedSize);
TARN_API int TARN_Start_V30(TARN_DEVICE_CALLBACK callback, int mode, void *context);
TARN_API int TARN_Stop(void);
TARN_API int TARN_Clearup(void);
TARN_API int TARN_SendInquiry(void);
TARN_API int TARN_ActivateDevice(const char *serialNumber, const char *password);
TARN_API int TARN_ModifyDeviceNetParam(const char *macAddress, const char *password,
                              const TARN_NETWORK_PARAMS *params);
TARN_API int TARN_GetDeviceConfig(const char *serialNumber, unsigned int kind, const void *in,
                         unsigned int inSize, void *out, unsigned int outSize);
TARN_API int TARN_ResetPasswd(const char *serialNumber, const TARN_RESET_PARAM *request);
TARN_API int TARN_ResetDefaultPasswd(const char *serialNumber, const char *securityCode);
TARN_API int TARN_GetLastError(void);

#ifdef __cplusplus
}
#endif

#endif /* TARN_H */
