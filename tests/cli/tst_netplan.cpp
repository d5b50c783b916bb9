#include <QTest>

#include "cli/netplan.h"
#include "discovery/devicefields.h"

using TarnCli::NetPlan;
using TarnCli::PlanRow;

// Plan files as spreadsheets write them, and the whole-plan checks against a set of devices, without
// a network: what the command refuses and with which line, and what it would send.
class TestNetPlan : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void resolveAgainstDevices();
};

void TestNetPlan::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("bom, semicolons, crlf, comments, blanks")
        << QByteArray("\xEF\xBB\xBFSerial;IP;Mask\r\n# note\r\n\r\nA;10.0.0.2;255.255.255.0\r\n;;\r\nB;;\r\n") << 2
        << QStringList();
    QTest::newRow("quoted field over two lines moves the line count")
        << QByteArray("serial,port\n\"A\nB\",8000\nC,80\n") << 2 << QStringList{QStringLiteral("line 4: Device port")};
    QTest::newRow("header problems")
        << QByteArray("ip,colour,ip\n") << 0
        << QStringList{QStringLiteral("line 1: unknown column \"colour\""), QStringLiteral("line 1: the column \"ip\" is given twice"),
                       QStringLiteral("line 1: the header names neither")};
    QTest::newRow("row problems, each with its line")
        << QByteArray("mac,ip,dhcp,http_port,ipv6_prefix\n"
                      ",10.0.0.2,,,\n"
                      "aa-bb,10.0.0.2,on,,\n"
                      "aa-bc,,maybe,0,128\n"
                      "aa-bd,1,2,3,4,5\n")
        << 3
        << QStringList{QStringLiteral("line 2: the row names no device"),
                       QStringLiteral("line 3: a device under DHCP takes its addresses"),
                       QStringLiteral("line 4: dhcp is \"maybe\""), QStringLiteral("line 4: Http port ranges"),
                       QStringLiteral("line 4: IPv6 prefix length ranges"),
                       QStringLiteral("line 5: the row has 6 fields, the header 5")};
    QTest::newRow("not UTF-8") << QByteArray("serial\n\xFF\xFE\n") << 0 << QStringList{QStringLiteral("The plan file is not UTF-8 text.")};
    QTest::newRow("only a header") << QByteArray("serial,ip\n") << 0
                                   << QStringList{QStringLiteral("line 1: the plan names no devices")};
}

void TestNetPlan::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, rows);
    QFETCH(QStringList, errors);
    QVector<PlanRow> parsed;
    QStringList found;
    QCOMPARE(NetPlan::parse(text, &parsed, &found), errors.isEmpty());
    QCOMPARE(found.size(), errors.size());
    for (int i = 0; i < errors.size(); ++i)
        QVERIFY2(found.at(i).startsWith(errors.at(i)), qPrintable(found.join(QLatin1Char('\n'))));
    if (errors.isEmpty())
        QCOMPARE(parsed.size(), rows);
}

namespace {

TARN_DEVICE_INFO device(const char *serial, const char *mac, const char *ip, bool dhcp = false, bool active = true)
{
    TARN_DEVICE_INFO d {};
    TARN::setFieldText(d.serialNumber, QLatin1String(serial));
    TARN::setFieldText(d.macAddress, QLatin1String(mac));
    TARN::setFieldText(d.ipv4Address, QLatin1String(ip));
    TARN::setFieldText(d.ipv4SubnetMask, QStringLiteral("255.255.255.0"));
    TARN::setFieldText(d.ipv4Gateway, QStringLiteral("10.0.0.1"));
    d.port = 8000;
    d.httpPort = 80;
    d.dhcpEnabled = dhcp ? 1 : 0;
    d.capabilityFlags = TARN_CAP_DHCP;
    d.activationState = active ? TARN_ACTIVATED : TARN_NOT_ACTIVATED;
    return d;
}

} // namespace

void TestNetPlan::resolveAgainstDevices()
{
    const QVector<TARN_DEVICE_INFO> found = {device("SN1", "02-00-00-00-00-01", "10.0.0.11", true),
                                             device("SN2", "02-00-00-00-00-02", "10.0.0.12"),
                                             device("SN3", "02-00-00-00-00-03", "10.0.0.13"),
                                             device("SN4", "02-00-00-00-00-04", "10.0.0.14", false, false),
                                             device("SN5", "02-00-00-00-00-05", "10.0.0.15")};
    QVector<PlanRow> rows;
    QStringList errors;
    // A device under DHCP given an address gets a fixed one; a MAC matches in any case and separator;
    // a row with only a port keeps the addresses.
    QVERIFY(NetPlan::parse("serial,mac,ip,port\nSN1,,10.0.0.21,\n,02:00:00:00:00:02,10.0.0.22,8100\nSN3,,,8200\n",
                           &rows, &errors));
    QVector<TarnCli::PlannedChange> changes = NetPlan::resolve(rows, found, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.at(0).params.dhcpEnabled, quint8(0));
    QCOMPARE(TARN::fieldText(changes.at(0).params.ipv4Address), QStringLiteral("10.0.0.21"));
    QCOMPARE(NetPlan::describe(changes.at(0)), QStringLiteral("dhcp on -> off, ip 10.0.0.11 -> 10.0.0.21"));
    QCOMPARE(TARN::serialOf(changes.at(1).device), QStringLiteral("SN2"));
    QCOMPARE(NetPlan::describe(changes.at(2)), QStringLiteral("port 8000 -> 8200"));
    QCOMPARE(TARN::fieldText(changes.at(2).params.ipv4Address), QStringLiteral("10.0.0.13"));

    // Problems found late are still told in line order, and the plan is refused whole.
    rows.clear();
    QVERIFY(NetPlan::parse("serial,mac,ip\nSN2,,10.0.0.15\nSN4,,10.0.0.30\nSN2,02-00-00-00-00-03,10.0.0.31\n"
                           "SN3,,10.0.0.1\n",
                           &rows, &errors));
    changes = NetPlan::resolve(rows, found, &errors);
    QVERIFY(changes.isEmpty());
    QCOMPARE(errors.size(), 4);
    QVERIFY2(errors.at(0).startsWith(QStringLiteral("line 2: the address 10.0.0.15 is also given to the device SN5")),
             qPrintable(errors.join(QLatin1Char('\n'))));
    QVERIFY(errors.at(1).startsWith(QStringLiteral("line 3: the device SN4 is not activated")));
    QVERIFY(errors.at(2).startsWith(QStringLiteral("line 4: the serial number SN2 and the MAC address")));
    QVERIFY(errors.at(3).startsWith(QStringLiteral("line 5: 10.0.0.1 is not an address a device takes")));
}

QTEST_GUILESS_MAIN(TestNetPlan)
#include "tst_netplan.moc"
