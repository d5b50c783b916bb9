#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

#include "tarn.h"

// The application's own record of one device, built from a table row. Lists of it travel in table
// order between the device table and the modify panel, and carry results back.
class DeviceInfo
{
public:
    DeviceInfo();
    DeviceInfo(const DeviceInfo &other);
    DeviceInfo &operator=(const DeviceInfo &other);
    ~DeviceInfo();

    QString strIndex;       // "ID" cell: the row number in three digits
    QString strDeviceType;
    QString strIPv4;
    QString strSerialNo;
    QString strMAC;
    QString strResult;      // result of the last operation on the device
};

// What kind of checked set a QVector<DeviceInfo> is; the values are fixed.
enum ModifyPage {
    MODIFY_SINGLE = 0,  // one activated device, or nothing checked (empty list)
    MODIFY_BATCH = 1,   // several devices, all activated
    ACTIVE_SINGLE = 2,  // one device, not activated
    ACTIVE_BATCH = 3,   // several devices, none activated
    MIXED_BATCH = 4     // several devices, some activated and some not
};

// The library record is a C struct that Qt's default helpers would create without initialising.
// It is registered by hand instead: records made by the meta-type system are zero-filled, copies
// take all 500 bytes, reserved ones included, and streaming writes and reads the 500 bytes.
template <>
struct QMetaTypeId<TARN_DEVICE_INFO>
{
    enum { Defined = 1 };
    static int qt_metatype_id();
};
Q_DECLARE_METATYPE(DeviceInfo)
Q_DECLARE_METATYPE(ModifyPage)

// Registers "TARN_DEVICE_INFO", "DeviceInfo", "ModifyPage" and "QVector<DeviceInfo>", which queued
// connections between the library's thread and the GUI thread need. Safe to call more than once.
void registerDeviceMetaTypes();
