#include <QtTest>

#include "common/addressplan.h"
#include "common/netparamcheck.h"
#include "common/secretbytes.h"

// The network form's rules without the form: the field checks with the message a person sees, and
// the addresses a batch gets from its start address.
class TestNetParamRules : public QObject
{
    Q_OBJECT

private slots:
    void fieldChecks_data();
    void fieldChecks();
    void plan_data();
    void plan();
    void refusedPlans_data();
    void refusedPlans();
    void wipe();
};

using Check = QString (*)(const QString &);

void TestNetParamRules::fieldChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString ipEmpty = QStringLiteral("Please input IP Address.");
    const QString ipBad = QStringLiteral("IP Address not correct.");
    QTest::newRow("address: empty") << "ip" << "  " << ipEmpty;
    QTest::newRow("address: blanks around pass") << "ip" << " 10.0.0.5 " << "";
    QTest::newRow("address: last part 0") << "ip" << "10.0.0.0" << ipBad;
    QTest::newRow("address: three parts") << "ip" << "10.0.0" << ipBad;
    QTest::newRow("address: part over 255") << "ip" << "10.0.300.1" << ipBad;
    QTest::newRow("start: empty") << "start" << "" << ipEmpty;
    QTest::newRow("start: letters") << "start" << "ten.0.0.1" << ipBad;
    QTest::newRow("mask: empty") << "mask" << "" << "Subnet mask can not be empty.";
    QTest::newRow("mask: holes") << "mask" << "255.0.255.0" << "Subnet Mask not correct.";
    QTest::newRow("mask: /16") << "mask" << "255.255.0.0" << "";
    QTest::newRow("mask: all ones") << "mask" << "255.255.255.255" << "Subnet Mask not correct.";
    QTest::newRow("gateway: empty, no full stop") << "gateway" << "" << "Gateway can not be empty";
    QTest::newRow("gateway: none") << "gateway" << "0.0.0.0" << "";
    QTest::newRow("gateway: broadcast-like") << "gateway" << "10.0.0.255" << "Gateway not correct.";
    const QString portRange = QStringLiteral("Device port ranges from 2000 to 65535.");
    QTest::newRow("port: 1999") << "port" << "1999" << portRange;
    QTest::newRow("port: 2000") << "port" << "2000" << "";
    QTest::newRow("port: 65535") << "port" << "65535" << "";
    QTest::newRow("port: empty") << "port" << "" << portRange;
    QTest::newRow("port: 65536") << "port" << "65536" << portRange;
    const QString httpRange = QStringLiteral("Http port ranges from 1 to 65535.");
    QTest::newRow("http: 0 while enabled") << "http" << "0" << httpRange;
    QTest::newRow("http: empty while enabled") << "http" << "" << httpRange;
    QTest::newRow("http: 0 in a disabled field") << "http-disabled" << "0" << "";
    QTest::newRow("http: 1") << "http" << "1" << "";
    QTest::newRow("ipv6: empty") << "ipv6" << "" << "IPv6 Address not correct.";
    QTest::newRow("ipv6: two gaps") << "ipv6" << "fe80::1::2" << "IPv6 Address not correct.";
    QTest::newRow("ipv6: link-local") << "ipv6" << "fe80::200:1" << "";
    QTest::newRow("ipv6 gateway: empty") << "ipv6gw" << "" << "IPv6 gateway not correct.";
    const QString prefixRange = QStringLiteral("IPv6 prefix length ranges from 0 to 127.");
    QTest::newRow("prefix: empty") << "prefix" << "" << prefixRange;
    QTest::newRow("prefix: 0") << "prefix" << "0" << "";
    QTest::newRow("prefix: 127") << "prefix" << "127" << "";
    QTest::newRow("prefix: 128") << "prefix" << "128" << prefixRange;
}

void TestNetParamRules::fieldChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    using namespace NetParamCheck;
    const QHash<QString, Check> checks {{"ip", ipAddress},     {"start", startAddress}, {"mask", subnetMask},
                                        {"gateway", gateway},  {"port", port},          {"ipv6", ipv6Address},
                                        {"ipv6gw", ipv6Gateway}, {"prefix", ipv6PrefixLength}};
    QString answer;
    if (field == QLatin1String("http"))
        answer = httpPort(text, true);
    else if (field == QLatin1String("http-disabled"))
        answer = httpPort(text, false);
    else
        answer = checks.value(field)(text);
    QCOMPARE(answer, message);
}

void TestNetParamRules::plan_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("three in a row") << "192.168.1.10" << "255.255.255.0" << "192.168.1.1" << 3
                                    << QStringList {"192.168.1.10", "192.168.1.11", "192.168.1.12"};
    // Past .255 the third part goes up by one; .255 and .0 are skipped, since devices refuse them.
    QTest::newRow("across .255 in a /16") << "10.1.0.253" << "255.255.0.0" << "10.1.0.1" << 4
                                          << QStringList {"10.1.0.253", "10.1.0.254", "10.1.1.1", "10.1.1.2"};
    QTest::newRow("carry into the second part in a /8") << "10.1.255.254" << "255.0.0.0" << "0.0.0.0" << 2
                                                        << QStringList {"10.1.255.254", "10.2.0.1"};
    QTest::newRow("the gateway is skipped") << "192.168.1.1" << "255.255.255.0" << "192.168.1.2" << 2
                                            << QStringList {"192.168.1.1", "192.168.1.3"};
    QTest::newRow("exactly to the end of the subnet") << "192.168.1.253" << "255.255.255.0" << "" << 2
                                                      << QStringList {"192.168.1.253", "192.168.1.254"};
}

void TestNetParamRules::plan()
{
    QFETCH(QString, start);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(int, count);
    QFETCH(QStringList, addresses);
    const AddressPlan plan = AddressPlan::make(start, mask, gateway, count);
    QVERIFY(plan.ok());
    QCOMPARE(plan.addresses(), addresses);
    QCOMPARE(plan.message(count), QString());
}

void TestNetParamRules::refusedPlans_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("fit");
    QTest::addColumn<QString>("message");
    QTest::newRow("past the end of a /24") << "192.168.1.250" << "255.255.255.0" << 10 << int(AddressPlan::TooMany) << 5
                                           << "Only 5 of the 10 devices fit between the start address and the end of "
                                              "its subnet. Nothing was changed.";
    QTest::newRow("/30 holds two") << "10.0.0.1" << "255.255.255.252" << 3 << int(AddressPlan::TooMany) << 2
                                   << "Only 2 of the 3 devices fit between the start address and the end of its "
                                      "subnet. Nothing was changed.";
    QTest::newRow("start is the broadcast address") << "10.0.0.3" << "255.255.255.252" << 1
                                                    << int(AddressPlan::StartNotHost) << 0
                                                    << "The start address is not a host address of its subnet.";
    QTest::newRow("start ends in .255") << "10.72.0.255" << "255.255.0.0" << 1 << int(AddressPlan::StartSkipped) << 0
                                        << "No device takes the start address: it ends in .0 or .255, or is the "
                                           "gateway. Choose another start address.";
    QTest::newRow("bad mask") << "10.0.0.3" << "255.0.255.0" << 1 << int(AddressPlan::BadMask) << 0
                              << "Subnet Mask not correct.";
    QTest::newRow("bad start") << "10.0.0" << "255.0.0.0" << 1 << int(AddressPlan::BadStart) << 0
                               << "IP Address not correct.";
}

void TestNetParamRules::refusedPlans()
{
    QFETCH(QString, start);
    QFETCH(QString, mask);
    QFETCH(int, count);
    QFETCH(int, error);
    QFETCH(int, fit);
    QFETCH(QString, message);
    const AddressPlan plan = AddressPlan::make(start, mask, QString(), count);
    QCOMPARE(int(plan.error()), error);
    QCOMPARE(plan.fit(), fit);
    QVERIFY(plan.addresses().isEmpty());
    QCOMPARE(plan.message(count), message);
}

void TestNetParamRules::wipe()
{
    QByteArray secret("Admin12345");
    const QByteArray copy = secret;  // shares the buffer, as the copies handed to the library do
    const char *where = copy.constData();
    wipeSecret(secret);
    QVERIFY(secret.isEmpty());
    QCOMPARE(QByteArray(where, 10), QByteArray(10, '\0'));
}

QTEST_GUILESS_MAIN(TestNetParamRules)
#include "tst_netparamrules.moc"
