#include <QtTest>

#include <atomic>
#include <thread>

#include "devicelist/devicestore.h"
#include "devicerecords.h"
#include "qpx/qpxguard.h"

using TarnTool::DeviceStore;
using devicerecords::make;

// The process-wide device store: identity, the network-parameter copies and its lock.
class TestDeviceStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void identityFindsReplacesAndRemoves();
    void macLookup();
    void netParamCopies();
    void lockIsRecursiveAndShared();
};

void TestDeviceStore::init()
{
    DeviceStore::instance()->clear();
}

void TestDeviceStore::identityFindsReplacesAndRemoves()
{
    DeviceStore &store = *DeviceStore::instance();
    const TARN_DEVICE_INFO a = make(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1"));
    const TARN_DEVICE_INFO b = make(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-02"), QStringLiteral("10.0.0.2"));
    const TARN_DEVICE_INFO c = make(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03"), QStringLiteral("10.0.0.3"));
    store.add(a);
    store.add(b);
    store.add(c);
    QCOMPARE(store.find(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-02")), 1);
    QCOMPARE(store.find(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-03")), -1);
    QCOMPARE(store.find(QStringLiteral("sn3"), QStringLiteral("02-00-00-00-00-03")), -1);
    // A text no field can hold matches nothing.
    QCOMPARE(store.find(QStringLiteral("SN\u4e2d"), QStringLiteral("02-00-00-00-00-01")), -1);
    QCOMPARE(store.find(QStringLiteral("SN") + QChar(0), QStringLiteral("02-00-00-00-00-01")), -1);

    // Replace overwrites all 500 bytes, reserved ones included.
    TARN_DEVICE_INFO changed = b;
    TARN::setFieldText(changed.ipv4Address, QStringLiteral("10.9.9.9"));
    changed.reserved4[14] = 0x5A;
    store.replace(changed);
    TARN_DEVICE_INFO out;
    QVERIFY(store.get(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-02"), &out));
    QCOMPARE(std::memcmp(&out, &changed, sizeof out), 0);

    // Removing the first entry moves the others up and they are still found.
    store.remove(a);
    QCOMPARE(store.count(), 2);
    QCOMPARE(store.find(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-02")), 0);
    QCOMPARE(store.find(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03")), 1);
    QVERIFY(!store.get(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-01"), &out));
    store.remove(a);  // gone already: nothing changes
    QCOMPARE(store.count(), 2);

    QVERIFY(store.setActivated(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03"), TARN_NOT_ACTIVATED));
    QVERIFY(store.get(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03"), &out));
    QCOMPARE(int(out.activationState), TARN_NOT_ACTIVATED);
    QVERIFY(!store.setActivated(QStringLiteral("SN9"), QStringLiteral("02-00-00-00-00-03"), 0));

    store.clear();
    QCOMPARE(store.count(), 0);
    QCOMPARE(store.find(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03")), -1);
}

void TestDeviceStore::macLookup()
{
    DeviceStore &store = *DeviceStore::instance();
    const TARN_DEVICE_INFO a = make(QStringLiteral("SN1"), QStringLiteral("02-aa-00-00-00-01"));
    store.add(a);
    store.add(a);  // the store itself does not refuse a second copy
    QPX_Guard guard(store.mutex());
    QVERIFY(store.containsMac(QStringLiteral("02-aa-00-00-00-01")));
    QVERIFY(!store.containsMac(QStringLiteral("02-AA-00-00-00-01")));
    QVERIFY(!store.containsMac(QStringLiteral("02:aa:00:00:00:01")));
    store.remove(a);
    QVERIFY(store.containsMac(QStringLiteral("02-aa-00-00-00-01")));
    store.remove(a);
    QVERIFY(!store.containsMac(QStringLiteral("02-aa-00-00-00-01")));

    // A text that no field could hold names no device, even where converting it to Latin-1 would
    // give a stored text: U+4E00 becomes '?', and a NUL would end the field early.
    const TARN_DEVICE_INFO odd = make(QStringLiteral("SN?"), QStringLiteral("02-aa-00-00-00-0?"));
    store.add(odd);
    const QString wideMac = QStringLiteral("02-aa-00-00-00-0") + QChar(0x4E00);
    QVERIFY(store.containsMac(QStringLiteral("02-aa-00-00-00-0?")));
    QVERIFY(!store.containsMac(wideMac));
    QVERIFY(!store.containsMac(QStringLiteral("02-aa-00-00-00-0?") + QChar(0)));
    TARN_DEVICE_INFO out;
    QVERIFY(store.get(QStringLiteral("SN?"), QStringLiteral("02-aa-00-00-00-0?"), &out));
    QVERIFY(!store.get(QStringLiteral("SN?"), wideMac, &out));
    QVERIFY(!store.get(QStringLiteral("SN") + QChar(0x4E00), QStringLiteral("02-aa-00-00-00-0?"), &out));
    QVERIFY(!store.setActivated(QStringLiteral("SN?"), wideMac, TARN_NOT_ACTIVATED));
    QCOMPARE(store.find(QStringLiteral("SN?"), wideMac), -1);
    // Latin-1 texts beyond ASCII are texts like any other.
    const TARN_DEVICE_INFO latin = make(QStringLiteral("SN\u00e9"), QStringLiteral("02-aa-00-00-00-0\u00e9"));
    store.add(latin);
    QVERIFY(store.containsMac(QStringLiteral("02-aa-00-00-00-0\u00e9")));
    QCOMPARE(store.find(QStringLiteral("SN\u00e9"), QStringLiteral("02-aa-00-00-00-0\u00e9")), 1);
}

void TestDeviceStore::netParamCopies()
{
    DeviceStore &store = *DeviceStore::instance();
    TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("192.168.1.64"));
    r.port = 0x12345678;
    r.httpPort = 8080;
    r.dhcpEnabled = 1;
    std::memset(r.ipv6Address, 'a', sizeof r.ipv6Address);  // no terminator
    store.add(r);

    TARN_NETWORK_PARAMS p;
    std::memset(&p, 0xEE, sizeof p);
    QVERIFY(store.getNetParam(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), &p));
    QCOMPARE(QByteArray(p.ipv4Address), QByteArray("192.168.1.64"));
    QCOMPARE(QByteArray(p.ipv4SubnetMask), QByteArray("255.255.255.0"));
    QCOMPARE(QByteArray(p.ipv4Gateway), QByteArray("192.168.1.1"));
    QCOMPARE(QByteArray(p.ipv6Address), QByteArray(sizeof r.ipv6Address, 'a'));  // terminated in the wider field
    QCOMPARE(QByteArray(p.ipv6Gateway), QByteArray("fe80::fe"));
    QCOMPARE(int(p.port), 0x5678);
    QCOMPARE(int(p.httpPort), 8080);
    QCOMPARE(int(p.dhcpEnabled), 1);
    QCOMPARE(int(p.ipv6PrefixLength), 64);
    QCOMPARE(int(p.reserved[0]), 0xEE);  // only the network fields are written

    TARN::setFieldText(p.ipv4Address, QStringLiteral("10.0.0.7"));
    std::memset(p.ipv6Gateway, 'b', sizeof p.ipv6Gateway);  // longer than the record's field
    p.port = 0xFFFF;
    p.dhcpEnabled = 0;
    QVERIFY(store.setNetParam(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), p));
    TARN_DEVICE_INFO out;
    QVERIFY(store.get(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), &out));
    QCOMPARE(QByteArray(out.ipv4Address), QByteArray("10.0.0.7"));
    QCOMPARE(out.port, 0xFFFF);  // zero-extended
    QCOMPARE(int(out.dhcpEnabled), 0);
    QCOMPARE(TARN::fieldText(out.ipv6Gateway), QString(sizeof out.ipv6Gateway - 1, QLatin1Char('b')));
    QCOMPARE(QByteArray(out.serialNumber), QByteArray("SN1"));

    QVERIFY(!store.getNetParam(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-01"), &p));
    QVERIFY(!store.setNetParam(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-01"), p));
}

void TestDeviceStore::lockIsRecursiveAndShared()
{
    DeviceStore &store = *DeviceStore::instance();
    QCOMPARE(DeviceStore::instance(), &store);
    const TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    std::atomic<bool> added {false};
    std::thread other;
    {
        QPX_Guard guard(store.mutex());
        store.add(r);  // locks again on the same thread
        QVERIFY(store.setActivated(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), 1));
        other = std::thread([&] {
            store.add(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02")));
            added = true;
        });
        QTest::qWait(100);
        QVERIFY(!added);  // held across the calls above
    }
    other.join();
    QVERIFY(added);
    QCOMPARE(store.count(), 2);
}

QTEST_MAIN(TestDeviceStore)
#include "tst_devicestore.moc"
