#pragma once

#include "tarn.h"

namespace TARN {

// The discovery library's calls as a table, so tests can put a fake library behind the handler.
struct TarnLibrary
{
    int (*setLogToFile)(int level, const char *directory, int autoDelete);
    int (*setDeviceFilterRule)(int rule, const void *reserved, unsigned int reservedSize);
    int (*start)(TARN_DEVICE_CALLBACK callback, int mode, void *context);
    int (*stop)();
    int (*clearup)();
    int (*sendInquiry)();
    int (*activateDevice)(const char *serialNumber, const char *password);
    int (*modifyDeviceNetParam)(const char *macAddress, const char *password, const TARN_NETWORK_PARAMS *params);
    int (*getDeviceConfig)(const char *serialNumber, unsigned int kind, const void *in, unsigned int inSize,
                           void *out, unsigned int outSize);
    int (*resetPasswd)(const char *serialNumber, const TARN_RESET_PARAM *request);
    int (*resetDefaultPasswd)(const char *serialNumber, const char *securityCode);
    int (*getLastError)();

    // The real library, libtarn.
    static const TarnLibrary &real();
};

} // namespace TARN
