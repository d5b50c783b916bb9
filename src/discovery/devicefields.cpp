#include "discovery/devicefields.h"

#include <cstring>
#include <string>
#include <utility>

#include "discovery/deviceinfo.h"

namespace TARN {

std::size_t fieldLength(const char *field, std::size_t width)
{
    if (!field)
        return 0;
    const void *end = std::memchr(field, '\0', width);
    return end ? std::size_t(static_cast<const char *>(end) - field) : width;
}

bool fieldTerminated(const char *field, std::size_t width)
{
    return field && std::memchr(field, '\0', width) != nullptr;
}

QString fieldText(const char *field, std::size_t width)
{
    return QString::fromLatin1(field, int(fieldLength(field, width)));
}

bool setFieldText(char *field, std::size_t width, const QString &text)
{
    if (!field || width == 0)
        return false;
    const QByteArray bytes = text.toLatin1();
    const std::size_t n = qMin(std::size_t(bytes.size()), width - 1);
    std::memset(field, 0, width);
    std::memcpy(field, bytes.constData(), n);
    bool latin1 = true;
    for (const QChar ch : text)
        latin1 = latin1 && ch.unicode() <= 0xFF;
    return latin1 && n == std::size_t(bytes.size());
}

QString serialOf(const TARN_DEVICE_INFO &device)
{
    return fieldText(device.serialNumber);
}

QString macOf(const TARN_DEVICE_INFO &device)
{
    return fieldText(device.macAddress);
}

namespace {

std::string fieldBytes(const char *field, std::size_t width)
{
    return std::string(field, fieldLength(field, width));
}

bool latin1Bytes(const QString &text, std::string *out)
{
    for (const QChar ch : text) {
        if (ch.unicode() == 0 || ch.unicode() > 0xFF)
            return false;
    }
    *out = text.toLatin1().toStdString();
    return true;
}

} // namespace

tarn::DeviceIdentity identityOf(const TARN_DEVICE_INFO &device)
{
    return tarn::DeviceIdentity(fieldBytes(device.serialNumber, sizeof device.serialNumber),
                                fieldBytes(device.macAddress, sizeof device.macAddress));
}

bool identityOf(const QString &serial, const QString &mac, tarn::DeviceIdentity *out)
{
    std::string s, m;
    if (!latin1Bytes(serial, &s) || !latin1Bytes(mac, &m))
        return false;
    *out = tarn::DeviceIdentity(std::move(s), std::move(m));
    return true;
}

bool sameIdentity(const TARN_DEVICE_INFO &device, const QString &serial, const QString &mac)
{
    tarn::DeviceIdentity id;
    return identityOf(serial, mac, &id) && identityOf(device) == id;
}

bool sameIdentity(const TARN_DEVICE_INFO &a, const TARN_DEVICE_INFO &b)
{
    return identityOf(a) == identityOf(b);
}

bool refersTo(const DeviceInfo &info, const TARN_DEVICE_INFO &device)
{
    return sameIdentity(device, info.strSerialNo, info.strMAC);
}

} // namespace TARN
