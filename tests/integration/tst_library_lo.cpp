#include <QtTest>

#include <cstring>

#include "devicecollector.h"
#include "wiretap.h"
#include "tarn.h"

// The library and the emulator on the loopback interface: discovery, the device operations and
// their error codes, goodbyes, and state kept across an emulator restart.
class TestLibraryLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void discoversEveryDevice();
    void activation();
    void modification();
    void unknownMacTimesOut();
    void argumentsAreChecked();
    void noSecretOnTheWireAndReplayChangesNothing();
    void goodbyeAndRestartKeepState();

private:
    bool findDevice(int activationState, TARN_DEVICE_INFO *out);
    static TARN_NETWORK_PARAMS paramsOf(const TARN_DEVICE_INFO &d);

    QTemporaryDir m_dir;
    QProcess m_emulator;
    DeviceCollector m_collector;
    QStringList m_arguments;
    QByteArray m_activatedMac;
    QByteArray m_modifiedMac;
    WireTap m_tap;
};

static const int kDevices = 6;

void TestLibraryLoopback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_tap.ok());
    qputenv("TARN_IFACES", "lo");
    m_arguments = QStringList {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                   QString::number(kDevices), QStringLiteral("--seed"), QStringLiteral("7"),
                   QStringLiteral("--announce-s"), QStringLiteral("2"), QStringLiteral("--state"),
                   m_dir.filePath(QStringLiteral("devices.json"))};
    QVERIFY(startEmulator(m_emulator, m_arguments));
    TARN_SetLogToFile(TARN_LOG_WARNING, nullptr, 0);
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_LINK_LAYER, &m_collector), 1);
}

void TestLibraryLoopback::cleanupTestCase()
{
    TARN_Stop();
    stopEmulator(m_emulator);
}

bool TestLibraryLoopback::findDevice(int activationState, TARN_DEVICE_INFO *out)
{
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        if (e.eventType == TARN_EVENT_ONLINE && e.activationState == activationState) {
            *out = e;
            return true;
        }
    }
    return false;
}

TARN_NETWORK_PARAMS TestLibraryLoopback::paramsOf(const TARN_DEVICE_INFO &d)
{
    TARN_NETWORK_PARAMS p;
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.ipv4Address, d.ipv4Address, sizeof d.ipv4Address);
    std::memcpy(p.ipv4SubnetMask, d.ipv4SubnetMask, sizeof d.ipv4SubnetMask);
    std::memcpy(p.ipv4Gateway, d.ipv4Gateway, sizeof d.ipv4Gateway);
    std::memcpy(p.ipv6Address, d.ipv6Address, sizeof d.ipv6Address);
    std::memcpy(p.ipv6Gateway, d.ipv6Gateway, sizeof d.ipv6Gateway);
    p.port = static_cast<uint16_t>(d.port);
    p.httpPort = d.httpPort;
    p.ipv6PrefixLength = d.ipv6PrefixLength;
    p.dhcpEnabled = d.dhcpEnabled;
    return p;
}

void TestLibraryLoopback::discoversEveryDevice()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), kDevices, 5000);
    // Answers to several inquiry rounds are merged: still one online event per device.
    QTest::qWait(2500);
    QCOMPARE(m_collector.count(TARN_EVENT_ONLINE), kDevices);
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        QVERIFY(std::memchr(e.serialNumber, 0, sizeof e.serialNumber));
        QVERIFY(std::strlen(e.serialNumber) > 0);
        QVERIFY(std::strlen(e.ipv4Address) >= 7);
    }
}

void TestLibraryLoopback::activation()
{
    TARN_DEVICE_INFO fresh;
    QVERIFY(findDevice(TARN_NOT_ACTIVATED, &fresh));
    QCOMPARE(TARN_ActivateDevice(fresh.serialNumber, "Abcdef1234"), 1);
    TARN_DEVICE_INFO updated;
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, fresh.macAddress, &updated), 3000);
    QCOMPARE(int(updated.activationState), TARN_ACTIVATED);

    QCOMPARE(TARN_ActivateDevice(fresh.serialNumber, "Abcdef1234"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_ALREADY_ACTIVATED);
    m_activatedMac = QByteArray(fresh.macAddress);

    // The new password works, a wrong one is refused.
    TARN_NETWORK_PARAMS params = paramsOf(updated);
    QCOMPARE(TARN_ModifyDeviceNetParam(fresh.macAddress, "Wrong12345", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_DENIED);
    QCOMPARE(TARN_ModifyDeviceNetParam(fresh.macAddress, "Abcdef1234", &params), 1);
}

void TestLibraryLoopback::modification()
{
    TARN_DEVICE_INFO device;
    QVERIFY(findDevice(TARN_ACTIVATED, &device));
    TARN_NETWORK_PARAMS params = paramsOf(device);
    std::strcpy(params.ipv4Address, "10.99.0.42");
    std::strcpy(params.ipv4Gateway, "10.99.0.1");
    params.port = 8100;
    params.dhcpEnabled = 0;
    QCOMPARE(TARN_ModifyDeviceNetParam(device.macAddress, "Admin12345", &params), 1);

    TARN_DEVICE_INFO updated;
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, device.macAddress, &updated), 3000);
    QCOMPARE(QByteArray(updated.ipv4Address), QByteArray("10.99.0.42"));
    QCOMPARE(QByteArray(updated.ipv4Gateway), QByteArray("10.99.0.1"));
    QCOMPARE(updated.port, 8100);
    QCOMPARE(QByteArray(updated.serialNumber), QByteArray(device.serialNumber));
    m_modifiedMac = QByteArray(device.macAddress);

    // The device checks what it is given.
    std::strcpy(params.ipv4SubnetMask, "255.0.255.0");
    QCOMPARE(TARN_ModifyDeviceNetParam(device.macAddress, "Admin12345", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_INVALID_PARAM);
}

void TestLibraryLoopback::unknownMacTimesOut()
{
    TARN_DEVICE_INFO device;
    QVERIFY(findDevice(TARN_ACTIVATED, &device));
    TARN_NETWORK_PARAMS params = paramsOf(device);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(TARN_ModifyDeviceNetParam("02-ff-ff-ff-ff-ff", "Admin12345", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_TIMEOUT);
    QVERIFY2(timer.elapsed() >= 5000, qPrintable(QString::number(timer.elapsed())));
}

void TestLibraryLoopback::argumentsAreChecked()
{
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 'x', sizeof params);  // no terminators anywhere
    QCOMPARE(TARN_ModifyDeviceNetParam("02-00-00-00-00-01", "Admin12345", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_ModifyDeviceNetParam("02-00-00-00-00-01", "Admin12345", nullptr), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_ActivateDevice(nullptr, "Abcdef1234"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_ActivateDevice("SN", "a password longer than sixteen bytes"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_Start_V30(&DeviceCollector::callback, TARN_MODE_IP, &m_collector), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_ALREADY_STARTED);
    QCOMPARE(TARN_SetDeviceFilterRule(7, nullptr, 0), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_ResetDefaultPasswd("SN", "code"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_NOT_SUPPORTED);

    // The last error belongs to the thread that failed.
    int other = -1;
    std::thread([&] { other = TARN_GetLastError(); }).join();
    QCOMPARE(other, TARN_ERR_NONE);
}

void TestLibraryLoopback::noSecretOnTheWireAndReplayChangesNothing()
{
    TARN_DEVICE_INFO device;
    QVERIFY(m_collector.last(TARN_EVENT_UPDATE, m_modifiedMac.constData(), &device));
    TARN_NETWORK_PARAMS params = paramsOf(device);
    std::strcpy(params.ipv4Address, "10.99.0.77");
    QCOMPARE(TARN_ModifyDeviceNetParam(device.macAddress, "Admin12345", &params), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, device.macAddress, &device)
                                 && QByteArray(device.ipv4Address) == "10.99.0.77", 3000);
    QTest::qWait(300);

    // Every password used so far, in clear or as the base64 the sealed body uses, is absent.
    const std::vector<std::string> captured = m_tap.datagrams();
    QVERIFY(captured.size() > 10);
    for (const char *secret : {"Admin12345", "Abcdef1234", "Wrong12345", "QWRtaW4xMjM0NQ==", "QWJjZGVmMTIzNA=="}) {
        for (const std::string &d : captured)
            QVERIFY2(d.find(secret) == std::string::npos, secret);
    }

    // The sealed request that set .77, replayed after a newer change, changes nothing.
    std::string replayed;
    for (const std::string &d : captured) {
        if (d.find("\"t\":\"op\"") != std::string::npos)
            replayed = d;  // the last operation sent is the one for .77
    }
    QVERIFY(!replayed.empty());
    std::strcpy(params.ipv4Address, "10.99.0.42");
    QCOMPARE(TARN_ModifyDeviceNetParam(device.macAddress, "Admin12345", &params), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, device.macAddress, &device)
                                 && QByteArray(device.ipv4Address) == "10.99.0.42", 3000);
    m_collector.clear();
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_tap.replay(replayed));
    QTest::qWait(1500);
    QCOMPARE(m_collector.count(TARN_EVENT_UPDATE), 0);
}

void TestLibraryLoopback::goodbyeAndRestartKeepState()
{
    m_collector.clear();
    stopEmulator(m_emulator);
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_OFFLINE), kDevices, 3000);

    QVERIFY(startEmulator(m_emulator, m_arguments));
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), kDevices, 5000);
    TARN_DEVICE_INFO info;
    QVERIFY(m_collector.last(TARN_EVENT_ONLINE, m_activatedMac.constData(), &info));
    QCOMPARE(int(info.activationState), TARN_ACTIVATED);
    QVERIFY(m_collector.last(TARN_EVENT_ONLINE, m_modifiedMac.constData(), &info));
    QCOMPARE(QByteArray(info.ipv4Address), QByteArray("10.99.0.42"));
    // The password set before the restart still holds.
    TARN_NETWORK_PARAMS params = paramsOf(info);
    QCOMPARE(TARN_ModifyDeviceNetParam(info.macAddress, "Admin12345", &params), 1);

    // A refresh forgets the table and finds everything again.
    m_collector.clear();
    QCOMPARE(TARN_Clearup(), 1);
    QCOMPARE(TARN_SendInquiry(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_collector.count(TARN_EVENT_ONLINE), kDevices, 3000);
}

QTEST_GUILESS_MAIN(TestLibraryLoopback)
#include "tst_library_lo.moc"
