#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// The entry of the device `serial` in the emulator's state file `path`; empty when there is none.
inline QJsonObject emulatorDeviceState(const QString &path, const QByteArray &serial)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue &v : devices) {
        if (v.toObject().value(QStringLiteral("sn")).toString().toLatin1() == serial)
            return v.toObject();
    }
    return QJsonObject();
}
