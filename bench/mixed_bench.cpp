// A mixed site through the tool's own handler and batch runner: 200 ONVIF and 200 TARN emulated
// devices. How soon after a search all 400 are known, how long reading the 200 ONVIF devices'
// details takes once the site's credentials are given, and a consecutive batch of 50 ONVIF
// devices: seconds, changed / not changed / unknown, and whether any change was applied twice,
// at 0 % and 10 % loss.
//
//   scripts/isolated.sh build/bench/mixed_bench [onvif-devices [batch]]
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "discovery/batchrunner.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "discovery/tarnhandler.h"

namespace {

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char **argv)
{
    if (qgetenv("TARN_ISOLATED") != "1") {
        std::fprintf(stderr, "mixed_bench: run it as scripts/isolated.sh %s: it uses the namespace's lo\n", argv[0]);
        return 2;
    }
    qputenv("TARN_IFACES", "lo");
    setenv("TARN_MAKER_SECRETS", TARN_TEST_MAKER_SECRETS, 0);
    setenv("TARN_TRUSTED_MAKERS", TARN_TEST_TRUSTED_MAKERS, 0);
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures as they come, also into a file
    const int cameras = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int batch = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    registerDeviceMetaTypes();
    std::printf("mixed_bench: %d TARN and %d ONVIF emulated devices, batches of %d ONVIF devices\n", cameras, cameras,
                batch);

    for (int loss : {0, 10}) {
        QTemporaryDir dir;
        QProcess emulator;
        emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emulator.start(QStringLiteral(TARN_DEVICE_PROGRAM),
                       {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"), QString::number(cameras),
                        QStringLiteral("--onvif"), QString::number(cameras), QStringLiteral("--seed"),
                        QString::number(60 + loss), QStringLiteral("--loss"), QString::number(loss),
                        QStringLiteral("--state"), dir.filePath(QStringLiteral("state.json"))});
        if (!emulator.waitForStarted(5000) || !emulator.waitForReadyRead(30000)) {
            std::fprintf(stderr, "mixed_bench: the emulator did not start\n");
            return 1;
        }
        spin(3000);  // their own announcements are over: only the search finds them now

        TARN::TarnHandler handler;
        handler.setLogToFile(nullptr, TARN_LOG_ERROR, 0);
        handler.enableOnvif();
        QHash<QString, TARN_DEVICE_INFO> known;  // by serial, as the table keeps them
        QElapsedTimer clock;
        qint64 allKnownMs = -1;
        auto keep = [&](const TARN_DEVICE_INFO &d) {
            known.insert(TARN::serialOf(d) + QLatin1Char('/') + TARN::macOf(d), d);
            if (allKnownMs < 0 && known.size() >= 2 * cameras)
                allKnownMs = clock.elapsed();
        };
        auto drop = [&](const TARN_DEVICE_INFO &d) { known.remove(TARN::serialOf(d) + QLatin1Char('/') + TARN::macOf(d)); };
        // Events still queued when this round's objects go must go with them.
        QObject round;
        QObject::connect(&handler, &TARN::TarnHandler::signalDeviceOnline, &round, keep, Qt::QueuedConnection);
        QObject::connect(&handler, &TARN::TarnHandler::signalDeviceUpdate, &round, keep, Qt::QueuedConnection);
        QObject::connect(&handler, &TARN::TarnHandler::signalDeviceOffline, &round, drop, Qt::QueuedConnection);
        clock.start();
        if (!handler.start())
            return 1;
        while (allKnownMs < 0 && clock.elapsed() < 10000)
            spin(10);
        int onvif = 0;
        for (const TARN_DEVICE_INFO &d : qAsConst(known))
            onvif += d.protocol == TARN_PROTOCOL_ONVIF;
        std::printf("loss %2d %%: %d of %d devices known %.2f s after the search (%d ONVIF)\n", loss, known.size(),
                    2 * cameras, allKnownMs >= 0 ? allKnownMs / 1000.0 : clock.elapsed() / 1000.0, onvif);

        clock.restart();
        handler.setSiteCredentials(QStringLiteral("admin"), QByteArrayLiteral("Admin12345"));
        auto readCount = [&] {
            int n = 0;
            for (const TARN_DEVICE_INFO &d : qAsConst(known))
                n += d.protocol == TARN_PROTOCOL_ONVIF && d.protocolState == TARN_ONVIF_READ;
            return n;
        };
        spin(50);
        // Until every device was read once: those whose answers were lost too often stay unread.
        while (handler.onvifReadsPending() > 0 && clock.elapsed() < 60000)
            spin(10);
        std::printf("loss %2d %%: details of %d of %d ONVIF devices read in %.2f s\n", loss, readCount(), cameras,
                    clock.elapsed() / 1000.0);

        QVector<TARN::BatchStep> steps;
        QStringList macs, planned;  // per step
        int n = 0;
        for (const TARN_DEVICE_INFO &d : qAsConst(known)) {
            if (n >= batch || d.protocol != TARN_PROTOCOL_ONVIF || d.protocolState != TARN_ONVIF_READ
                || d.activationState != TARN_ACTIVATED)
                continue;
            TARN_NETWORK_PARAMS p;
            TARN::netParamsOf(d, &p);
            const QString address = QStringLiteral("127.1.%1.%2").arg(loss).arg(10 + n);
            TARN::setFieldText(p.ipv4Address, address);
            TARN::setFieldText(p.ipv4SubnetMask, QStringLiteral("255.0.0.0"));
            p.dhcpEnabled = 0;  // the gateway and ports stay: the address alone changes
            steps << TARN::modifyStep(TARN::macOf(d), address, QByteArrayLiteral("Admin12345"), p);
            macs << TARN::macOf(d).toLower().replace(QLatin1Char('-'), QLatin1Char(':'));
            planned << address;
            ++n;
        }
        TARN::BatchRunner runner(&handler);
        runner.setParallelism(16);
        clock.restart();
        const QVector<TARN::StepResult> results = runner.run(steps);
        int changed = 0, failed = 0, unknown = 0;
        for (const TARN::StepResult &r : results) {
            changed += r.outcome == TARN::StepResult::Done;
            unknown += r.outcome == TARN::StepResult::Unknown;
            failed += r.outcome == TARN::StepResult::Failed;
        }
        std::printf("loss %2d %%: %d ONVIF devices changed in %.1f s: changed %d, not changed %d, unknown %d\n", loss,
                    steps.size(), clock.elapsed() / 1000.0, changed, failed, unknown);
        handler.stop();
        emulator.terminate();
        emulator.waitForFinished(10000);
        // Each change is one SetNetworkInterfaces (the gateway and port stay): more applied than
        // sent would be a change applied twice.
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("ONVIF devices answered \\d+ requests, applied (\\d+) changes"))
                .match(QString::fromLatin1(emulator.readAllStandardOutput()));
        const int applied = m.hasMatch() ? m.captured(1).toInt() : -1;
        std::printf("loss %2d %%: the devices applied %d changes for %d sent: %d applied twice\n", loss, applied,
                    steps.size(), applied > steps.size() ? applied - steps.size() : 0);
        // Honest: "changed" only where the device is at its planned address, "not changed" only
        // where it is not; "unknown" may be either.
        QFile stateFile(dir.filePath(QStringLiteral("state.json")));
        QHash<QString, QString> addressOf;
        if (stateFile.open(QIODevice::ReadOnly)) {
            const QJsonArray onvifState = QJsonDocument::fromJson(stateFile.readAll()).object().value(QStringLiteral("onvif")).toArray();
            for (const QJsonValue &v : onvifState)
                addressOf.insert(v.toObject().value(QStringLiteral("mac")).toString().toLower(),
                                 v.toObject().value(QStringLiteral("address")).toString());
        }
        int dishonest = 0, unknownTook = 0;
        for (int i = 0; i < results.size(); ++i) {
            const bool there = addressOf.value(macs.at(i)) == planned.at(i);
            dishonest += (results.at(i).outcome == TARN::StepResult::Done && !there)
                         || (results.at(i).outcome == TARN::StepResult::Failed && there);
            unknownTook += results.at(i).outcome == TARN::StepResult::Unknown && there;
        }
        std::printf("loss %2d %%: outcomes against the devices' state: %d dishonest, %d of the unknown took the change"
                    "%s\n",
                    loss, dishonest, unknownTook, addressOf.isEmpty() ? " (no state read)" : "");
        std::fflush(stdout);
    }
    return 0;
}
