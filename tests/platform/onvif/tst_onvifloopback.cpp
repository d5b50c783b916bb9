// The library against the emulator's ONVIF devices on the namespace's loopback: discovery,
// details with credentials (WS-Security, HTTP Digest with SHA-256 and MD5, clocks hours off),
// wrong passwords, the factory state and its activation, and changes that are confirmed only
// where the device really answers.

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <map>
#include <mutex>

#include "onvif.h"
#include "onvifsupport.h"

using namespace tarn::onvif;
using namespace std::chrono;

namespace {
constexpr int kDevices = 12;
}

class TestOnvifLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void discoveryAndDetails();
    void factoryStateAndActivation();
    void changesAreConfirmedWhereTheDeviceAnswers();

private:
    Device deviceNumber(int i);  // as discovery shows it; i counts from 0 as the emulator does
    QTemporaryDir m_dir;
    QString m_state;
    QProcess m_emulator;
    Discovery m_discovery;
    Client m_client;
    Credentials m_admin {"admin", Secret(std::string("Admin12345"))};
    std::mutex m_mutex;
    std::map<std::string, std::vector<Event>> m_events;
};

void TestOnvifLoopback::initTestCase()
{
    QString why;
    if (!loopbackMulticast(&why))
        QSKIP(qPrintable(why));
    m_state = m_dir.filePath(QStringLiteral("state.json"));
    QVERIFY(startEmulator(m_emulator, m_state, kDevices, {QStringLiteral("--seed"), QStringLiteral("7")}));
    std::string error;
    QVERIFY2(m_discovery.start(
                 [this](Event event, const Device &device) {
                     std::lock_guard<std::mutex> lock(m_mutex);
                     m_events[device.endpoint].push_back(event);
                 },
                 &error),
             error.c_str());
}

void TestOnvifLoopback::cleanupTestCase()
{
    m_discovery.stop();
    stopEmulator(m_emulator);
}

Device TestOnvifLoopback::deviceNumber(int i)
{
    const QString endpoint = emulatedDevices(m_state).at(i).toObject().value(QStringLiteral("endpoint")).toString();
    return m_discovery.device(endpoint.toStdString()).value_or(Device());
}

void TestOnvifLoopback::discoveryAndDetails()
{
    QVERIFY(waitFor([&] { return m_discovery.devices().size() == std::size_t(kDevices); }));
    const QJsonArray emulated = emulatedDevices(m_state);
    for (int i = 0; i < kDevices; ++i) {
        const QJsonObject e = emulated.at(i).toObject();
        const Device d = deviceNumber(i);
        QCOMPARE(QString::fromStdString(d.name), QStringLiteral("ONVIF camera %1").arg(i + 1));
        QCOMPARE(QString::fromStdString(d.hardware), e.value(QStringLiteral("model")).toString());
        QCOMPARE(d.address, std::string("127.0.0.1"));
        QCOMPARE(d.interfaceName, std::string("lo"));
        QCOMPARE(d.httpPort, e.value(QStringLiteral("httpPort")).toInt());
        QCOMPARE(d.xaddr, "http://127.0.0.1:" + std::to_string(d.httpPort) + "/onvif/device_service");
        QVERIFY(!d.https);

        const Target target = Target::of(d);
        const bool factory = i % 4 == 3;
        const Result<bool> state = m_client.factoryState(target);
        QVERIFY2(state.ok(), state.message.c_str());
        QCOMPARE(state.value, factory);
        // Devices 1 and 2 keep clocks hours off: only a digest made on their clock opens them.
        // Devices 4 (MD5) and 10 (SHA-256) ignore WS-Security and ask for HTTP Digest.
        const Result<Details> details = m_client.readDetails(target, factory ? nullptr : &m_admin);
        QVERIFY2(details.ok(), (std::to_string(i) + ": " + details.message).c_str());
        QCOMPARE(QString::fromStdString(details.value.information.serialNumber), e.value(QStringLiteral("serial")).toString());
        QCOMPARE(details.value.information.manufacturer, std::string("Emulated"));
        QCOMPARE(details.value.interfaces.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(details.value.interfaces[0].mac), e.value(QStringLiteral("mac")).toString());
        QCOMPARE(details.value.interfaces[0].ipv4.address, std::string("127.0.0.1"));
        QCOMPARE(details.value.interfaces[0].ipv4.prefixLength, 8);
        QCOMPARE(details.value.protocols.port("HTTP"), d.httpPort);
        QCOMPARE(details.value.protocols.port("RTSP"), 554);
        QCOMPARE(details.value.protocols.port("HTTPS"), 0);  // offered but off
        if (i == 1) {
            const Result<std::int64_t> clock = m_client.getSystemDateAndTime(target);
            QVERIFY(clock.ok());
            QVERIFY(std::abs(clock.value - 7200) <= 2);
        }
        if (!factory) {
            const Credentials wrong {"admin", Secret(std::string("Wrong12345"))};
            const Result<DeviceInformation> refused = m_client.getDeviceInformation(target, &wrong);
            QCOMPARE(refused.error, ErrorKind::Unauthorized);
            QCOMPARE(m_client.getNetworkInterfaces(target, nullptr).error, ErrorKind::Unauthorized);
        }
    }
}

void TestOnvifLoopback::factoryStateAndActivation()
{
    const Target target = Target::of(deviceNumber(3));
    QVERIFY(m_client.factoryState(target).value);
    const Status created = m_client.createUsers(target, nullptr, "admin", Secret(std::string("Fresh98765")));
    QVERIFY2(created.ok(), created.message.c_str());
    QCOMPARE(m_client.factoryState(target).value, false);
    QCOMPARE(m_client.getDeviceInformation(target, nullptr).error, ErrorKind::Unauthorized);
    const Credentials fresh {"admin", Secret(std::string("Fresh98765"))};
    const Result<std::vector<User>> users = m_client.getUsers(target, &fresh);
    QVERIFY2(users.ok(), users.message.c_str());
    QCOMPARE(users.value.size(), std::size_t(1));
    QCOMPARE(users.value[0].level, std::string("Administrator"));
    // A second administrator by the same name is refused with the device's own words.
    const Status again = m_client.createUsers(target, &fresh, "admin", Secret(std::string("Other98765")));
    QCOMPARE(again.error, ErrorKind::Fault);
    QVERIFY(!again.message.empty());
}

void TestOnvifLoopback::changesAreConfirmedWhereTheDeviceAnswers()
{
    // Device 1 applies at once and moves for real: 127.0.0.51 is on lo.
    Device one = deviceNumber(1);
    const Target target = Target::of(one);
    const auto interfaces = m_client.getNetworkInterfaces(target, &m_admin);
    QVERIFY(interfaces.ok());
    const NetworkInterface before = interfaces.value.at(0);
    const Result<bool> set = m_client.setNetworkInterfaces(target, &m_admin, before.token, Ipv4Config {false, "127.0.0.51", 8});
    QVERIFY2(set.ok(), set.message.c_str());
    QCOMPARE(set.value, false);
    AddressChange change {one, "127.0.0.51", before.mac, 0};
    const Confirmation confirmed = confirmAddress(m_discovery, change, &m_admin, milliseconds(8000));
    QVERIFY(confirmed.confirmed);
    QCOMPARE(m_discovery.device(one.endpoint)->address, std::string("127.0.0.51"));
    QCOMPARE(m_discovery.device(one.endpoint)->xaddr.substr(0, 18), std::string("http://127.0.0.51:"));
    const Target moved = Target::of(*m_discovery.device(one.endpoint));
    QVERIFY(m_client.setNetworkDefaultGateway(moved, &m_admin, "127.0.0.254").ok());
    QCOMPARE(m_client.getNetworkDefaultGateway(moved, &m_admin).value, std::vector<std::string> {"127.0.0.254"});

    // Device 2 needs a reboot: nothing moves until it comes back, then it answers there.
    Device two = deviceNumber(2);
    const Result<bool> pending = m_client.setNetworkInterfaces(Target::of(two), &m_admin, "eth0", Ipv4Config {false, "127.0.0.52", 8});
    QVERIFY2(pending.ok(), pending.message.c_str());
    QCOMPARE(pending.value, true);
    QCOMPARE(m_discovery.device(two.endpoint)->address, std::string("127.0.0.1"));
    std::size_t seen = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        seen = m_events[two.endpoint].size();
    }
    const Result<std::string> reboot = m_client.systemReboot(Target::of(two), &m_admin);
    QVERIFY2(reboot.ok(), reboot.message.c_str());
    // Its Bye, however soon its Hello follows.
    QVERIFY(waitFor([&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto &events = m_events[two.endpoint];
        return std::find(events.begin() + std::ptrdiff_t(seen), events.end(), Event::Offline) != events.end();
    }));
    QVERIFY(confirmAddress(m_discovery, AddressChange {two, "127.0.0.52", "", 0}, &m_admin, milliseconds(8000)).confirmed);

    // Device 6 is told an address this host cannot give it: it reports the address, but the
    // change cannot be confirmed, and is not.
    Device six = deviceNumber(6);
    QVERIFY(m_client.setNetworkInterfaces(Target::of(six), &m_admin, "eth0", Ipv4Config {false, "10.99.0.6", 24}).ok());
    QVERIFY(!confirmAddress(m_discovery, AddressChange {six, "10.99.0.6", "", 0}, &m_admin, milliseconds(2500)).confirmed);
    QCOMPARE(m_client.getNetworkInterfaces(Target::of(six), &m_admin).value.at(0).ipv4.address, std::string("10.99.0.6"));

    // A new HTTP port: the device announces its new XAddr.
    Device zero = deviceNumber(0);
    const int port = zero.httpPort == 65000 ? 65001 : 65000;
    QVERIFY(m_client.setNetworkProtocols(Target::of(zero), &m_admin, port).ok());
    QVERIFY(waitFor([&] { return m_discovery.device(zero.endpoint)->httpPort == port; }));
    QCOMPARE(m_client.getNetworkProtocols(Target::of(*m_discovery.device(zero.endpoint)), &m_admin).value.port("HTTP"), port);
    QVERIFY(m_client.setNetworkInterfaces(Target::of(zero), &m_admin, "eth0", Ipv4Config {false, "127.0.0.50", 33}).error
            == ErrorKind::InvalidArgument);

    // The emulator keeps what was changed.
    const QJsonArray state = emulatedDevices(m_state);
    QCOMPARE(state.at(1).toObject().value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.51"));
    QCOMPARE(state.at(2).toObject().value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.52"));
    QCOMPARE(state.at(6).toObject().value(QStringLiteral("address")).toString(), QStringLiteral("10.99.0.6"));
    QCOMPARE(state.at(0).toObject().value(QStringLiteral("httpPort")).toInt(), port);
}

QTEST_GUILESS_MAIN(TestOnvifLoopback)
#include "tst_onvifloopback.moc"
