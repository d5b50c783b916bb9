#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>

#include "devicecollector.h"
#include "testmaker.h"
#include "wiretap.h"
#include "core/wire.h"
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
    void everyDeviceAnswersASearchsFirstRound();
    void activation();
    void modification();
    void operationsInFlightTogether();
    void unknownMacTimesOut();
    void argumentsAreChecked();
    void lockoutAfterWrongPasswords();
    void noSecretOnTheWireAndReplayChangesNothing();
    void announcementRules();
    void filterRule();
    void logFile();
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

namespace {
QJsonObject stateOf(const QString &path, const QByteArray &mac)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray()) {
        if (v.toObject().value(QStringLiteral("mac")).toString().toLatin1() == mac)
            return v.toObject();
    }
    return {};
}
} // namespace

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
    // Answers to several inquiry rounds are merged: still one online event per device. The library
    // asks three times; the devices answer within the window the last inquiry names (800 ms).
    QTRY_VERIFY_WITH_TIMEOUT(m_tap.count("inq") >= 3, 10000);
    QTest::qWait(800 + kTapLeadMs);
    QCOMPARE(m_collector.count(TARN_EVENT_ONLINE), kDevices);
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        QVERIFY(std::memchr(e.serialNumber, 0, sizeof e.serialNumber));
        QVERIFY(std::strlen(e.serialNumber) > 0);
        QVERIFY(std::strlen(e.ipv4Address) >= 7);
    }
}

// A device that announced itself just before a search still answers the search's first round, so
// a search never takes it for a device whose answer was lost. The devices announce every 2 s here,
// so in most searches one of them has just done so.
void TestLibraryLoopback::everyDeviceAnswersASearchsFirstRound()
{
    using tarn::wire::Hello;
    using tarn::wire::Inquiry;
    using tarn::wire::Message;
    auto messageAt = [this](std::size_t i) {
        const auto decoded = tarn::wire::decode(m_tap.datagrams().at(i));
        return std::holds_alternative<Message>(decoded) ? std::get<Message>(decoded) : Message();
    };
    for (int search = 0; search < 4; ++search) {
        // A search is over once no inquiry has come for longer than its rounds' gap.
        auto lastInquiry = [this] {
            const auto datagrams = m_tap.datagrams();
            const auto arrivals = m_tap.arrivals();
            for (std::size_t i = datagrams.size(); i-- > 0;) {
                if (datagrams[i].find("\"t\":\"inq\"") != std::string::npos)
                    return arrivals[i];
            }
            return std::chrono::steady_clock::time_point();
        };
        QTRY_VERIFY_WITH_TIMEOUT(std::chrono::steady_clock::now() - lastInquiry() > std::chrono::milliseconds(1300), 10000);
        const std::size_t mark = m_tap.datagrams().size();
        QCOMPARE(TARN_SendInquiry(), 1);
        QTest::qWait(1100 + kTapLeadMs);
        std::uint32_t first = 0;
        std::set<std::string> answered;
        for (std::size_t i = mark; i < m_tap.datagrams().size(); ++i) {
            const Message message = messageAt(i);
            if (const auto *inquiry = std::get_if<Inquiry>(&message); inquiry && first == 0)
                first = inquiry->id;
            else if (const auto *hello = std::get_if<Hello>(&message); hello && first != 0 && hello->id == first)
                answered.insert(hello->device.mac);
        }
        QVERIFY(first != 0);
        QCOMPARE(int(answered.size()), kDevices);
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
    QCOMPARE(TARN_ResetDefaultPasswd("SN", "a security code longer than 32 chars"), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    unsigned char small[100];
    QCOMPARE(TARN_GetDeviceConfig("SN", TARN_CONFIG_KEY_REQUEST, nullptr, 0, small, sizeof small), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
    QCOMPARE(TARN_ResetPasswd("SN", nullptr), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);

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
    // The tap reads in order: once it holds the announcement of .77, it holds the request before it.
    const auto announcedNewAddress = [this] {
        for (const std::string &d : m_tap.datagrams()) {
            if (d.find("\"t\":\"hello\"") != std::string::npos && d.find("\"10.99.0.77\"") != std::string::npos)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(announcedNewAddress(), 3000);

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
    // Nothing may follow. A device applies and announces a change at once, so half a second is
    // plenty for an update to show if the replay were taken.
    QTest::qWait(500);
    QCOMPARE(m_collector.count(TARN_EVENT_UPDATE), 0);
}

static tarn::wire::Hello craftedHello(const char *mac, std::uint32_t seq, const char *ip)
{
    tarn::wire::Hello h;
    h.boot = 99;
    h.seq = seq;
    h.intervalS = 1;
    h.device.serial = "CRAFTED-1";
    h.device.mac = mac;
    h.device.ip = ip;
    h.device.mask = "255.255.255.0";
    h.device.gateway = "0.0.0.0";
    h.device.typeName = "IPC-T";
    h.device.port = 8000;
    return h;
}

// A made-up device with a certificate from the trusted test maker: announcements count only so.
static std::string crafted(const tarn::wire::Hello &hello)
{
    static const tarn::identity::KeyPair key = tarn::identity::generateKeyPair();
    return certifiedHello(hello, key);
}

// Updates follow the announcement order, and silence makes a device go offline.
void TestLibraryLoopback::announcementRules()
{
    m_collector.clear();
    const char *mac = "02-fe-00-00-00-01";
    QVERIFY(m_tap.replay(crafted(craftedHello(mac, 5, "10.1.1.5"))));
    TARN_DEVICE_INFO info;
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_ONLINE, mac, &info), 2000);
    QCOMPARE(QByteArray(info.ipv4Address), QByteArray("10.1.1.5"));

    // An older announcement arriving late is ignored; a newer one is an update.
    QVERIFY(m_tap.replay(crafted(craftedHello(mac, 4, "10.1.1.4"))));
    QVERIFY(m_tap.replay(crafted(craftedHello(mac, 6, "10.1.1.6"))));
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_UPDATE, mac, &info), 2000);
    QCOMPARE(QByteArray(info.ipv4Address), QByteArray("10.1.1.6"));
    QTest::qWait(kTapLeadMs);  // nothing more may come: no second update from the two announcements
    int updates = 0;
    for (const TARN_DEVICE_INFO &e : m_collector.events())
        updates += e.eventType == TARN_EVENT_UPDATE && QByteArray(e.macAddress) == mac;
    QCOMPARE(updates, 1);

    // Announced every second: three missed announcements and two seconds of grace later, offline.
    QElapsedTimer silent;
    silent.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_OFFLINE, mac, &info), 8000);
    QVERIFY(silent.elapsed() >= 4000);
    QCOMPARE(QByteArray(info.serialNumber), QByteArray("CRAFTED-1"));
}

void TestLibraryLoopback::filterRule()
{
    m_collector.clear();
    // Malformed MAC, empty serial, an address that does not parse: all three pass without the filter.
    tarn::wire::Hello badMac = craftedHello("02-fe-00-00-00-0x", 1, "10.1.1.7");
    tarn::wire::Hello noSerial = craftedHello("02-fe-00-00-00-02", 1, "10.1.1.8");
    noSerial.device.serial.clear();
    tarn::wire::Hello badIp = craftedHello("02-fe-00-00-00-03", 1, "10.1.1.300");
    tarn::wire::Hello good = craftedHello("02-fe-00-00-00-04", 1, "10.1.1.9");

    QCOMPARE(TARN_SetDeviceFilterRule(TARN_FILTER_STRICT, nullptr, 0), 1);
    for (const auto *h : {&badMac, &noSerial, &badIp, &good})
        QVERIFY(m_tap.replay(crafted(*h)));
    TARN_DEVICE_INFO info;
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-04", &info), 2000);
    QTest::qWait(kTapLeadMs);  // the refused ones were sent first; give them the library's handling time
    QVERIFY(!m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-02", &info));
    QVERIFY(!m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-03", &info));

    QCOMPARE(TARN_SetDeviceFilterRule(TARN_FILTER_NONE, nullptr, 0), 1);
    for (const auto *h : {&noSerial, &badIp})
        QVERIFY(m_tap.replay(crafted(*h)));
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-02", &info), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-03", &info), 2000);
    // A MAC that cannot be normalised cannot be merged or targeted: never reported.
    QVERIFY(!m_collector.last(TARN_EVENT_ONLINE, "02-fe-00-00-00-0x", &info));
}

void TestLibraryLoopback::logFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("logs"));
    QCOMPARE(TARN_SetLogToFile(TARN_LOG_DEBUG, folder.toLocal8Bit().constData(), 1), 1);
    TARN_NETWORK_PARAMS params {};
    std::strcpy(params.ipv4Address, "10.0.0.1");
    QCOMPARE(TARN_ModifyDeviceNetParam("02-ff-ff-ff-ff-fe", "Secret-pw1", &params), 0);  // times out
    QCOMPARE(TARN_SetLogToFile(TARN_LOG_WARNING, nullptr, 0), 1);
    const QStringList files = QDir(folder).entryList({QStringLiteral("tarn-*.log")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(QDir(folder).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray log = file.readAll();
    QVERIFY(!log.contains("Secret-pw1"));
    QCOMPARE(TARN_SetLogToFile(TARN_LOG_INFO, "/proc/no-such-folder", 0), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_BAD_ARGUMENT);
}

void TestLibraryLoopback::lockoutAfterWrongPasswords()
{
    // A device no other test here uses: activated, not the one modified above.
    TARN_DEVICE_INFO target {};
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        if (e.eventType == TARN_EVENT_ONLINE && e.activationState == TARN_ACTIVATED
            && QByteArray(e.serialNumber).startsWith("TN")  // an emulated device, not a crafted one
            && QByteArray(e.macAddress) != m_modifiedMac && QByteArray(e.macAddress) != m_activatedMac)
            target = e;
    }
    QVERIFY(target.macAddress[0]);
    TARN_NETWORK_PARAMS params = paramsOf(target);
    params.dhcpEnabled = 0;
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(TARN_ModifyDeviceNetParam(target.macAddress, "Wrong-guess", &params), 0);
        QCOMPARE(TARN_GetLastError(), TARN_ERR_DENIED);
    }
    // Locked now: even the right password is refused, and the device says so in its announcements.
    QCOMPARE(TARN_ModifyDeviceNetParam(target.macAddress, "Admin12345", &params), 0);
    QCOMPARE(TARN_GetLastError(), TARN_ERR_LOCKED);
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

// Several operations in flight at once from threads of their own, as a batch runs them: each has
// its own request id, challenge and budget, gets its own device's answer and its own last error,
// and no change is applied twice or to another device.
void TestLibraryLoopback::operationsInFlightTogether()
{
    QVector<TARN_DEVICE_INFO> devices;
    for (const TARN_DEVICE_INFO &e : m_collector.events()) {
        const bool known = std::any_of(devices.cbegin(), devices.cend(),
                                       [&e](const TARN_DEVICE_INFO &d) { return std::strcmp(d.macAddress, e.macAddress) == 0; });
        if (e.eventType == TARN_EVENT_ONLINE && e.activationState == TARN_ACTIVATED && !known
            && QByteArray(e.serialNumber).startsWith("TN") && m_activatedMac != e.macAddress
            && m_modifiedMac != e.macAddress)
            devices << e;
    }
    QVERIFY(devices.size() >= 2);
    struct Outcome
    {
        int ok = 0, error = 0, wrongOk = 0, wrongError = 0;
    };
    QVector<Outcome> outcomes(devices.size() + 1);
    std::vector<std::thread> threads;
    for (int i = 0; i < devices.size(); ++i) {
        threads.emplace_back([&, i] {
            TARN_NETWORK_PARAMS params = paramsOf(devices.at(i));
            std::strcpy(params.ipv4Address, QByteArray("10.77.0.").append(QByteArray::number(10 + i)).constData());
            std::strcpy(params.ipv4SubnetMask, "255.255.255.0");
            std::strcpy(params.ipv4Gateway, "10.77.0.1");
            params.dhcpEnabled = 0;
            outcomes[i].wrongOk = TARN_ModifyDeviceNetParam(devices.at(i).macAddress, "Wrong12345", &params);
            outcomes[i].wrongError = TARN_GetLastError();
            outcomes[i].ok = TARN_ModifyDeviceNetParam(devices.at(i).macAddress, "Admin12345", &params);
            outcomes[i].error = TARN_GetLastError();
        });
    }
    // Meanwhile one that nobody answers.
    threads.emplace_back([&] {
        TARN_NETWORK_PARAMS params = paramsOf(devices.first());
        outcomes.last().ok = TARN_ModifyDeviceNetParam("02:00:00:ff:ff:ff", "Admin12345", &params);
        outcomes.last().error = TARN_GetLastError();
    });
    for (std::thread &t : threads)
        t.join();
    for (int i = 0; i < devices.size(); ++i) {
        QCOMPARE(outcomes[i].wrongOk, 0);
        QCOMPARE(outcomes[i].wrongError, TARN_ERR_DENIED);
        QCOMPARE(outcomes[i].ok, 1);
        QCOMPARE(stateOf(m_dir.filePath(QStringLiteral("devices.json")), QByteArray(devices.at(i).macAddress))
                     .value(QStringLiteral("ip")).toString(),
                 QStringLiteral("10.77.0.%1").arg(10 + i));
    }
    QCOMPARE(outcomes.last().ok, 0);
    QCOMPARE(outcomes.last().error, TARN_ERR_TIMEOUT);
}

QTEST_GUILESS_MAIN(TestLibraryLoopback)
#include "tst_library_lo.moc"
