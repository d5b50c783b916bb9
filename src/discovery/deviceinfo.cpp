#include "discovery/deviceinfo.h"

#include <cstring>

#include <QAtomicInt>
#include <QDataStream>

namespace {

void destructRecord(int, void *) {}

void *constructRecord(int, void *where, const void *copy)
{
    if (copy)
        std::memcpy(where, copy, sizeof(TARN_DEVICE_INFO));
    else
        std::memset(where, 0, sizeof(TARN_DEVICE_INFO));
    return where;
}

void saveRecord(QDataStream &stream, const void *record)
{
    stream.writeRawData(static_cast<const char *>(record), int(sizeof(TARN_DEVICE_INFO)));
}

void loadRecord(QDataStream &stream, void *record)
{
    if (stream.readRawData(static_cast<char *>(record), int(sizeof(TARN_DEVICE_INFO))) != int(sizeof(TARN_DEVICE_INFO))) {
        std::memset(record, 0, sizeof(TARN_DEVICE_INFO));
        stream.setStatus(QDataStream::ReadPastEnd);
    }
}

} // namespace

int QMetaTypeId<TARN_DEVICE_INFO>::qt_metatype_id()
{
    static QBasicAtomicInt id = Q_BASIC_ATOMIC_INITIALIZER(0);
    if (const int known = id.loadAcquire())
        return known;
    // Registering the same name twice answers the first id, so a race here is harmless.
    const int registered = QMetaType::registerType("TARN_DEVICE_INFO", destructRecord, constructRecord,
                                                   int(sizeof(TARN_DEVICE_INFO)),
                                                   QMetaType::NeedsConstruction | QMetaType::NeedsDestruction
                                                       | QMetaType::MovableType,
                                                   nullptr);
    QMetaType::registerStreamOperators(registered, saveRecord, loadRecord);
    id.storeRelease(registered);
    return registered;
}

DeviceInfo::DeviceInfo() = default;
DeviceInfo::DeviceInfo(const DeviceInfo &other) = default;
DeviceInfo &DeviceInfo::operator=(const DeviceInfo &other) = default;
DeviceInfo::~DeviceInfo() = default;

void registerDeviceMetaTypes()
{
    qMetaTypeId<TARN_DEVICE_INFO>();
    qRegisterMetaType<DeviceInfo>("DeviceInfo");
    qRegisterMetaType<ModifyPage>("ModifyPage");
    qRegisterMetaType<QVector<DeviceInfo>>("QVector<DeviceInfo>");
}
