#include <QtTest>

#include <atomic>
#include <map>
#include <mutex>
#include <cstring>
#include <thread>

#include "core/identity.h"
#include "core/seal.h"
#include "core/wire.h"
#include "attacker.h"
#include "devicecollector.h"
#include "tarn.h"
#include "wiretap.h"

// What a hostile host on the LAN or a careless caller may do to the library.
class TestLibraryHardening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void spoofedChallengesGetNothing();
    void replayAfterTheAnswerIsForgotten();
    void stopDuringAnOperation();
    void startAndStopRacing();

private:
    TARN_DEVICE_INFO device(int activationState);

    QTemporaryDir m_dir;
    QProcess m_emulator;
    DeviceCollector m_collector;
};

void TestLibraryHardening::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(tarn::seal::init());
    qputenv("TARN_IFACES", "lo");
    QVERIFY(startEmulator(m_emulator, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                       QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("31"),
                                       QStringLiteral("--cache-s"), QStringLiteral("1"), QStringLiteral("--delay-ms"),
                                       QStringLiteral("150"), QStringLiteral("--state"),
                                       m_dir.filePath(QStringLiteral("devices.json"))}));
    TARN_SetLogToFile(TARN_LOG_ERROR, nullptr, 0);
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), 4, 5000);
}

void TestLibraryHardening::cleanupTestCase()
{
    TARN_Stop();
    stopEmulator(m_emulator);
}

TARN_DEVICE_INFO TestLibraryHardening::device(int activationState)
{
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        if (e.eventType == TARN_EVENT_ONLINE && e.activationState == activationState && e.dhcpEnabled != 1)
            return e;
    }
    return TARN_DEVICE_INFO {};
}

// The devices here answer 150 ms late, so an impostor answers every challenge request first, for
// the right serial, with its own key and a certificate from a maker of its own: once with a MAC of
// its own, once with the device's MAC. The password never reaches it, and the genuine device
// still does the work.
void TestLibraryHardening::spoofedChallengesGetNothing()
{
    const TARN_DEVICE_INFO target = device(TARN_NOT_ACTIVATED);
    QVERIFY(target.serialNumber[0]);
    // A spoofer with a maker of its own answers every challenge request first: as a decoy MAC for
    // the activation, then as the device's own MAC for the change.
    const Attacker spoofer;
    QVERIFY(spoofer.ok());
    WireTap tap;
    QVERIFY(tap.ok());
    const std::string serial = target.serialNumber;
    const std::string decoy = "02-bb-bb-bb-bb-bb";
    ChallengeImpostor impostor(spoofer, tap, decoy, spoofer.certificate(serial, decoy), serial);

    QCOMPARE(TARN_ActivateDevice(target.serialNumber, "Spoofed-pw-1"), 1);
    impostor.impersonate(target.macAddress, spoofer.certificate(serial, target.macAddress));
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 0, sizeof params);
    std::memcpy(params.ipv4Address, target.ipv4Address, sizeof target.ipv4Address);
    std::memcpy(params.ipv4SubnetMask, target.ipv4SubnetMask, sizeof target.ipv4SubnetMask);
    std::memcpy(params.ipv4Gateway, target.ipv4Gateway, sizeof target.ipv4Gateway);
    params.port = 8001;
    QCOMPARE(TARN_ModifyDeviceNetParam(target.macAddress, "Spoofed-pw-1", &params), 1);
    verifyNothingOpens(spoofer, tap, impostor, "Spoofed-pw-1", 2);
    QVERIFY(impostor.nonces().size() >= 2);
}

// The device forgets its answer after a second here; the captured request has no challenge left.
void TestLibraryHardening::replayAfterTheAnswerIsForgotten()
{
    const TARN_DEVICE_INFO target = device(TARN_ACTIVATED);
    QVERIFY(target.macAddress[0]);
    WireTap tap;
    QVERIFY(tap.ok());
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 0, sizeof params);
    std::strcpy(params.ipv4Address, "10.66.0.5");
    std::strcpy(params.ipv4SubnetMask, "255.255.255.0");
    std::strcpy(params.ipv4Gateway, "10.66.0.1");
    params.port = 8000;
    QCOMPARE(TARN_ModifyDeviceNetParam(target.macAddress, "Admin12345", &params), 1);
    QElapsedTimer sinceAnswer;  // the device kept its answer before this call saw it
    sinceAnswer.start();
    std::string captured;
    for (const std::string &d : tap.datagrams()) {
        if (d.find("\"t\":\"op\"") != std::string::npos)
            captured = d;
    }
    QVERIFY(!captured.empty());
    std::strcpy(params.ipv4Address, "10.66.0.6");
    QCOMPARE(TARN_ModifyDeviceNetParam(target.macAddress, "Admin12345", &params), 1);
    TARN_DEVICE_INFO now {};
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, target.macAddress, &now)
                                 && QByteArray(now.ipv4Address) == "10.66.0.6", 3000);
    // Past the device's answer cache: an answer goes once it is older than the 1 s given here, at
    // the device's next turn (at most 200 ms apart); 300 ms more for a loaded machine.
    const qint64 forgotten = 1000 + 200 + 300 - sinceAnswer.elapsed();
    if (forgotten > 0)
        QTest::qWait(int(forgotten));
    m_collector.clear();
    QVERIFY(tap.replay(captured));
    // Nothing may follow. A taken replay would be announced after the devices' 150 ms delay here.
    QTest::qWait(150 + 350);
    QCOMPARE(m_collector.count(TARN_EVENT_UPDATE), 0);
}

void TestLibraryHardening::stopDuringAnOperation()
{
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 0, sizeof params);
    std::strcpy(params.ipv4Address, "10.0.0.9");
    int result = -1, code = -1;
    QElapsedTimer timer;
    WireTap tap;
    QVERIFY(tap.ok());
    timer.start();
    std::thread caller([&] {
        result = TARN_ModifyDeviceNetParam("02-ee-ee-ee-ee-ee", "Admin12345", &params);
        code = TARN_GetLastError();
    });
    // Stop once the operation is under way: its challenge request is on the wire.
    const bool underWay = [&] {
        QElapsedTimer waited;
        waited.start();
        while (tap.count("chq", "02-ee-ee-ee-ee-ee") == 0 && waited.elapsed() < 5000)
            QTest::qWait(10);
        return tap.count("chq", "02-ee-ee-ee-ee-ee") > 0;
    }();
    QCOMPARE(TARN_Stop(), 1);
    caller.join();
    QVERIFY(underWay);
    QCOMPARE(result, 0);
    QCOMPARE(code, TARN_ERR_NOT_STARTED);
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector), 1);
}

void TestLibraryHardening::startAndStopRacing()
{
    std::atomic<bool> done {false};
    std::thread starter([&] {
        for (int i = 0; i < 40; ++i)
            TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector);
        done = true;
    });
    while (!done)
        TARN_Stop();
    starter.join();
    TARN_Stop();
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector), 1);
    m_collector.clear();
    QCOMPARE(TARN_SendInquiry(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), 4, 5000);
}

QTEST_GUILESS_MAIN(TestLibraryHardening)
#include "tst_library_hardening.moc"
