#include "discovery/deviceinfo.h"

DeviceInfo::DeviceInfo() = default;
DeviceInfo::DeviceInfo(const DeviceInfo &other) = default;
DeviceInfo &DeviceInfo::operator=(const DeviceInfo &other) = default;
DeviceInfo::~DeviceInfo() = default;

void registerDeviceMetaTypes()
{
    qRegisterMetaType<TARN_DEVICE_INFO>("TARN_DEVICE_INFO");
    qRegisterMetaType<DeviceInfo>("DeviceInfo");
    qRegisterMetaType<ModifyPage>("ModifyPage");
    qRegisterMetaType<QVector<DeviceInfo>>("QVector<DeviceInfo>");
}
