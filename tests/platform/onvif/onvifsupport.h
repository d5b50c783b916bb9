#pragma once

// What the ONVIF tests share: multicast on the namespace's own loopback, and the emulator.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <chrono>
#include <functional>
#include <thread>

// WS-Discovery needs multicast on lo, which only a namespace of the test's own may change.
inline bool loopbackMulticast(QString *why)
{
    if (qgetenv("TARN_ISOLATED") != "1") {
        *why = QStringLiteral("needs a network namespace of its own (scripts/isolated.sh) to route multicast on lo");
        return false;
    }
    QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("multicast"), QStringLiteral("on")});
    QProcess::execute(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("replace"), QStringLiteral("224.0.0.0/4"), QStringLiteral("dev"), QStringLiteral("lo")});
    return true;
}

inline bool startEmulator(QProcess &process, const QString &state, int onvifCount, const QStringList &extra = {})
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TARN_DEVICE_PROGRAM),
                  QStringList {QStringLiteral("--count"), QStringLiteral("0"), QStringLiteral("--onvif"), QString::number(onvifCount),
                               QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--state"), state}
                      + extra);
    if (!process.waitForStarted(5000))
        return false;
    while (process.state() == QProcess::Running) {
        if (process.canReadLine() && process.readLine().contains("ONVIF devices ready"))
            return true;
        process.waitForReadyRead(200);
    }
    return false;
}

inline void stopEmulator(QProcess &process)
{
    if (process.state() == QProcess::Running) {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }
}

inline QJsonArray emulatedDevices(const QString &state)
{
    QFile file(state);
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("onvif")).toArray();
}

// Waits up to `ms` for `done`, without an event loop (the library calls back on its own thread).
inline bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
