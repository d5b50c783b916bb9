/* Compiled as C: the header must be valid C and give the same layout as in C++. */
#include "tarn.h"

size_t tarn_c_device_info_size(void)
{
    return sizeof(TARN_DEVICE_INFO);
}

size_t tarn_c_offset(int field)
{
    switch (field) {
    case 0: return offsetof(TARN_DEVICE_INFO, serialNumber);
    case 1: return offsetof(TARN_DEVICE_INFO, macAddress);
    case 2: return offsetof(TARN_DEVICE_INFO, eventType);
    case 3: return offsetof(TARN_DEVICE_INFO, httpPort);
    case 4: return offsetof(TARN_DEVICE_INFO, activationState);
    case 5: return offsetof(TARN_DEVICE_INFO, extraFlags);
    default: return (size_t)-1;
    }
}
