#include <QtTest>

#include "common/addresscheck.h"

class TestAddressCheck : public QObject
{
    Q_OBJECT

private slots:
    void ipv4_data();
    void ipv4();
    void gateway_data();
    void gateway();
    void mask_data();
    void mask();
    void ipv6_data();
    void ipv6();
};

void TestAddressCheck::ipv4_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ordinary") << "192.168.1.64" << true;
    QTest::newRow("leading zero octets") << "0.0.0.1" << true;
    QTest::newRow("factory address") << "192.0.0.64" << true;
    QTest::newRow("top octet") << "255.255.255.254" << true;
    QTest::newRow("last octet 0") << "192.168.1.0" << false;
    QTest::newRow("octet over 255") << "192.168.1.256" << false;
    QTest::newRow("three pieces") << "192.168.1" << false;
    QTest::newRow("empty piece") << "192..1.1" << false;
    QTest::newRow("trailing dot") << "192.168.1.1." << false;
    QTest::newRow("letters") << "192.168.a.1" << false;
    QTest::newRow("hex octet") << "192.168.0x1.1" << false;
    QTest::newRow("negative") << "192.168.-1.1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("huge number") << "192.168.1.4294967297" << false;
}

void TestAddressCheck::ipv4()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isValidIPv4Address(text), valid);
}

void TestAddressCheck::gateway_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("no gateway") << "0.0.0.0" << true;
    QTest::newRow("ordinary") << "192.168.1.254" << true;
    QTest::newRow("broadcast") << "192.168.1.255" << false;
    QTest::newRow("network") << "192.168.1.0" << false;
    QTest::newRow("octet over 255") << "192.300.1.1" << false;
    QTest::newRow("five pieces") << "0.0.0.0.0" << false;
    QTest::newRow("empty piece") << "192.168..1" << false;
}

void TestAddressCheck::gateway()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isValidGateway(text), valid);
}

void TestAddressCheck::mask_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("/24") << "255.255.255.0" << true;
    QTest::newRow("/23") << "255.255.254.0" << true;
    QTest::newRow("/1") << "128.0.0.0" << true;
    QTest::newRow("/31") << "255.255.255.254" << true;
    QTest::newRow("all zero") << "0.0.0.0" << true;
    QTest::newRow("hole") << "255.0.255.0" << false;
    QTest::newRow("/32") << "255.255.255.255" << false;
    QTest::newRow("not contiguous") << "255.255.255.1" << false;
    QTest::newRow("zero before one") << "0.255.255.255" << false;
    QTest::newRow("prefix match only") << "255.255.255.0.1" << false;
    QTest::newRow("leading zero octet") << "255.255.255.00" << false;
}

void TestAddressCheck::mask()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isValidSubnetMask(text), valid);
    // The check keeps no state between calls.
    QCOMPARE(isValidSubnetMask(text), valid);
}

void TestAddressCheck::ipv6_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("unspecified") << "::" << true;
    QTest::newRow("unspecified padded") << " :: " << true;
    QTest::newRow("loopback") << "::1" << true;
    QTest::newRow("zone") << "fe80::1%4" << true;
    QTest::newRow("full") << "1:2:3:4:5:6:7:8" << true;
    QTest::newRow("mapped IPv4") << "::ffff:192.168.1.1" << true;
    QTest::newRow("trailing gap") << "2001:db8::" << true;
    QTest::newRow("six groups and IPv4") << "1:2:3:4:5:6:1.2.3.4" << true;
    QTest::newRow("two gaps") << "1::2::3" << false;
    QTest::newRow("seven groups no gap") << "1:2:3:4:5:6:7" << false;
    QTest::newRow("group too large") << "12345::1" << false;
    QTest::newRow("more than 16 bytes") << "1:2:3:4:5:6:7:1.2.3.4" << false;
    QTest::newRow("nine groups") << "1:2:3:4:5:6:7:8:9" << false;
    QTest::newRow("IPv4 not last") << "1.2.3.4::1" << false;
    QTest::newRow("bad IPv4 tail") << "::ffff:192.168.1.0" << false;
    QTest::newRow("single colon start") << ":1:2:3:4:5:6:7" << false;
    QTest::newRow("single colon end") << "1:2:3:4:5:6:7:" << false;
    QTest::newRow("not hex") << "fe80::g" << false;
    QTest::newRow("too short") << "1:2" << false;
    QTest::newRow("empty") << "" << false;
}

void TestAddressCheck::ipv6()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isValidIPv6Address(text), valid);
}

QTEST_APPLESS_MAIN(TestAddressCheck)
#include "tst_addresscheck.moc"
