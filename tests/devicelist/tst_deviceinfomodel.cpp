#include <QtTest>
#include <QAbstractItemModelTester>

#include "devicelist/cipstandarditem.h"
#include "devicelist/deviceinfomodel.h"
#include "devicerecords.h"

using TarnTool::DeviceInfoModel;
using devicerecords::make;

// The device table: cell texts, numeric address sorting, renumbering, and the column layout file.
class TestDeviceInfoModel : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void cellTexts_data();
    void cellTexts();
    void newRowLooks();
    void updateRewritesTextsButNotItems();
    void identityIsExactText();
    void nullAndUnknownRecords();

    void addressSorting_data();
    void addressSorting();
    void sortKeyStaysInsideTheText();
    void removalRenumbersDisplayedRows();
    void lookupFollowsRowsMovedBehindItsBack();

    void defaultLayout();
    void badLayoutStillGivesDistinctColumns_data();
    void badLayoutStillGivesDistinctColumns();
    void columnsFollowTheFile();
    void dragRewritesIndexValues_data();
    void dragRewritesIndexValues();
    void dragNeverReplacesAFileNotOurs_data();
    void dragNeverReplacesAFileNotOurs();
    void aLayoutThatCannotBeSavedStillShows();
    void aRelativeNameIsTheUsersOwnLayout();

private:
    QString writeConfig(const QByteArray &content);
    static QVector<int> indexValues(const QString &path);
    static QString cell(const DeviceInfoModel &model, int row, int id);

    QScopedPointer<QTemporaryDir> m_dir;
};

namespace {

QByteArray layoutOf(const QVector<int> &columns)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<ColumnConfig>\n";
    for (int c : columns)
        xml += "  <Column><IndexValue>" + QByteArray::number(c) + "</IndexValue></Column>\n";
    return xml + "</ColumnConfig>\n";
}

QVector<int> identity()
{
    QVector<int> v;
    for (int i = 0; i < DeviceInfoModel::ColumnIdCount; ++i)
        v.append(i);
    return v;
}

} // namespace

void TestDeviceInfoModel::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestDeviceInfoModel::writeConfig(const QByteArray &content)
{
    const QString path = m_dir->filePath(QStringLiteral("ColumnConfig.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

QVector<int> TestDeviceInfoModel::indexValues(const QString &path)
{
    QVector<int> values;
    QFile file(path);
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return values;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        values.append(e.elementsByTagName(QStringLiteral("IndexValue")).item(0).toElement().text().toInt());
    return values;
}

QString TestDeviceInfoModel::cell(const DeviceInfoModel &model, int row, int id)
{
    const QStandardItem *item = model.item(row, model.columnOf(id));
    return item ? item->text() : QStringLiteral("<no item>");
}

void TestDeviceInfoModel::cellTexts_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected");

    enum Field { HttpPort, Ipv6Valid, Capability, Dhcp, Activation, Port, Channel, Protocol };
    QTest::newRow("http port 0") << int(HttpPort) << 0 << int(DeviceInfoModel::IdHttpPort) << "N/A";
    QTest::newRow("http port 80") << int(HttpPort) << 80 << int(DeviceInfoModel::IdHttpPort) << "80";
    QTest::newRow("ipv6Valid 0 hides the gateway") << int(Ipv6Valid) << 0 << int(DeviceInfoModel::IdIPv4Gateway) << "";
    QTest::newRow("ipv6Valid 0 hides the address") << int(Ipv6Valid) << 0 << int(DeviceInfoModel::IdIPv6Address) << "";
    QTest::newRow("ipv6Valid 0 hides the v6 gateway") << int(Ipv6Valid) << 0 << int(DeviceInfoModel::IdIPv6Gateway) << "";
    QTest::newRow("ipv6Valid 0 hides the prefix") << int(Ipv6Valid) << 0 << int(DeviceInfoModel::IdIPv6PrefixLength) << "";
    QTest::newRow("ipv6Valid 1 shows the gateway") << int(Ipv6Valid) << 1 << int(DeviceInfoModel::IdIPv4Gateway) << "192.168.1.1";
    QTest::newRow("ipv6Valid 2 leaves a new cell empty") << int(Ipv6Valid) << 2 << int(DeviceInfoModel::IdIPv6Address) << "";
    QTest::newRow("ipv6 support, ipv6Valid 0: empty") << int(Ipv6Valid) << 0 << int(DeviceInfoModel::IdSupportIPv6) << "";
    QTest::newRow("ipv6 support, ipv6Valid 1: Yes") << int(Ipv6Valid) << 1 << int(DeviceInfoModel::IdSupportIPv6) << "Yes";
    QTest::newRow("no ipv6 support: No") << int(Capability) << 0 << int(DeviceInfoModel::IdSupportIPv6) << "No";
    QTest::newRow("modify ipv6 bit set") << int(Capability) << int(TARN_CAP_MODIFY_IPV6) << int(DeviceInfoModel::IdSupportModIPv6) << "Yes";
    QTest::newRow("dhcp 2 is off") << int(Dhcp) << 2 << int(DeviceInfoModel::IdIPv4Dhcp) << "OFF";
    QTest::newRow("not activated") << int(Activation) << 1 << int(DeviceInfoModel::IdActivate) << "Not activated";
    QTest::newRow("port %5d") << int(Port) << 80 << int(DeviceInfoModel::IdPort) << "   80";
    QTest::newRow("negative port") << int(Port) << -1 << int(DeviceInfoModel::IdPort) << "   -1";
    // Protocol rows: 10 * protocol + state.
    QTest::newRow("TARN") << int(Protocol) << 0 << int(DeviceInfoModel::IdProtocol) << "TARN";
    QTest::newRow("ONVIF, read") << int(Protocol) << 11 << int(DeviceInfoModel::IdProtocol)
                                 << "ONVIF (identity not verified)";
    QTest::newRow("ONVIF, refused") << int(Protocol) << 12 << int(DeviceInfoModel::IdProtocol)
                                    << "ONVIF (identity not verified, credentials refused)";
    QTest::newRow("ONVIF has no port") << int(Protocol) << 11 << int(DeviceInfoModel::IdPort) << "N/A";
}

void TestDeviceInfoModel::cellTexts()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, id);
    QFETCH(QString, expected);

    TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    switch (field) {
    case 0: r.httpPort = quint16(value); break;
    case 1: r.ipv6Valid = quint8(value); break;
    case 2: r.capabilityFlags = quint8(value); break;
    case 3: r.dhcpEnabled = quint8(value); break;
    case 4: r.activationState = quint8(value); break;
    case 5: r.port = value; break;
    case 6: r.channelCount = value; break;
    case 7: r.protocol = quint8(value / 10); r.protocolState = quint8(value % 10); break;
    }
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addDevice(&r);
    QCOMPARE(cell(model, 0, id), expected);

    // An update from a neutral record and back to this one ends in the same text.
    TARN_DEVICE_INFO other = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    other.httpPort = 8080;
    other.dhcpEnabled = 1;
    other.capabilityFlags = 0xFF;
    other.activationState = 1 - r.activationState;
    other.port = 1;
    other.channelCount = 16;
    model.updateDevice(&other);
    model.updateDevice(&r);
    if (field != 1 || value < 2)  // ipv6Valid 2 leaves the cells as the update before left them
        QCOMPARE(cell(model, 0, id), expected);
}

void TestDeviceInfoModel::newRowLooks()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    r.activationState = TARN_NOT_ACTIVATED;
    model.addDevice(&r);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 23);
    const QColor grey(QStringLiteral("#666666"));
    for (int id = 0; id < DeviceInfoModel::ColumnIdCount; ++id) {
        const QStandardItem *item = model.item(0, model.columnOf(id));
        QVERIFY(item);
        QCOMPARE(item->foreground().color(), id == DeviceInfoModel::IdActivate ? QColor(Qt::red) : grey);
        QCOMPARE(item->isCheckable(), id == DeviceInfoModel::IdCheck);
        const bool ipItem = dynamic_cast<const aptui::CIpStandardItem *>(item) != nullptr;
        QCOMPARE(ipItem, id == DeviceInfoModel::IdIPv4Address || id == DeviceInfoModel::IdIPv4Mask
                             || id == DeviceInfoModel::IdIPv4Gateway);
    }
    QCOMPARE(model.item(0, model.columnOf(DeviceInfoModel::IdCheck))->checkState(), Qt::Unchecked);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("001"));

    r.activationState = TARN_ACTIVATED;
    model.updateDevice(&r);
    QCOMPARE(model.item(0, model.columnOf(DeviceInfoModel::IdActivate))->foreground().color(), grey);

    // The check column's header carries its two roles instead of a text.
    const int check = model.columnOf(DeviceInfoModel::IdCheck);
    QCOMPARE(model.headerData(check, Qt::Horizontal, Qt::UserRole + 130).toBool(), true);
    QCOMPARE(model.headerData(model.columnOf(DeviceInfoModel::IdSoftVersion), Qt::Horizontal).toString(),
             QStringLiteral("Soft Vision"));
}

void TestDeviceInfoModel::updateRewritesTextsButNotItems()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    r.ipv6Valid = 0;
    model.addDevice(&r);
    model.item(0, model.columnOf(DeviceInfoModel::IdCheck))->setCheckState(Qt::Checked);
    const QStandardItem *gateway = model.item(0, model.columnOf(DeviceInfoModel::IdIPv4Gateway));

    r.ipv6Valid = 1;
    TARN::setFieldText(r.ipv4Address, QStringLiteral("10.0.0.9"));
    model.updateDevice(&r);
    // The gateway cell came in as a plain item and stays one; the check and number stay.
    QCOMPARE(model.item(0, model.columnOf(DeviceInfoModel::IdIPv4Gateway)), gateway);
    QVERIFY(!dynamic_cast<const aptui::CIpStandardItem *>(gateway));
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdIPv4Gateway), QStringLiteral("192.168.1.1"));
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.9"));
    QCOMPARE(model.item(0, model.columnOf(DeviceInfoModel::IdCheck))->checkState(), Qt::Checked);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
}

void TestDeviceInfoModel::identityIsExactText()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    TARN_DEVICE_INFO a = make(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-0a"), QStringLiteral("10.0.0.1"));
    TARN_DEVICE_INFO b = make(QStringLiteral("SN"), QStringLiteral("02-00-00-00-00-0A"), QStringLiteral("10.0.0.2"));
    TARN_DEVICE_INFO c = make(QStringLiteral("SN"), QStringLiteral("02:00:00:00:00:0a"), QStringLiteral("10.0.0.3"));
    model.addDevice(&a);
    model.addDevice(&b);
    model.addDevice(&c);

    TARN::setFieldText(b.ipv4Address, QStringLiteral("10.0.0.22"));
    model.updateDevice(&b);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.1"));
    QCOMPARE(cell(model, 1, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.22"));
    QCOMPARE(cell(model, 2, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.3"));

    model.removeDevice(&a);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdMac), QStringLiteral("02-00-00-00-00-0A"));
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
    QCOMPARE(cell(model, 1, DeviceInfoModel::IdNumber), QStringLiteral("002"));
    QCOMPARE(model.findRow(QStringLiteral("SN"), QStringLiteral("02:00:00:00:00:0a")), 1);
    QCOMPARE(model.findRow(QStringLiteral("sn"), QStringLiteral("02:00:00:00:00:0a")), -1);
}

void TestDeviceInfoModel::nullAndUnknownRecords()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addDevice(nullptr);
    QCOMPARE(model.rowCount(), 0);
    for (int i = 1; i <= 3; ++i) {
        const TARN_DEVICE_INFO r = make(QStringLiteral("SN%1").arg(i), QStringLiteral("02-00-00-00-00-0%1").arg(i));
        model.addDevice(&r);
    }
    // Scramble the numbers, as a sort and a removal elsewhere could leave them.
    model.item(0, model.columnOf(DeviceInfoModel::IdNumber))->setText(QStringLiteral("007"));
    const TARN_DEVICE_INFO stranger = make(QStringLiteral("SN9"), QStringLiteral("02-00-00-00-00-09"));
    model.updateDevice(&stranger);
    model.removeDevice(&stranger);
    QCOMPARE(model.rowCount(), 3);
    // An unknown removal still numbers every row from the top.
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
    QCOMPARE(cell(model, 2, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN3"));

    // Texts without a terminator are read up to the field's width and no further.
    TARN_DEVICE_INFO full = make(QString(), QString());
    std::memset(full.serialNumber, 'S', sizeof full.serialNumber);
    std::memset(full.macAddress, 'M', sizeof full.macAddress);
    std::memset(full.ipv4Address, '9', sizeof full.ipv4Address);
    model.addDevice(&full);
    QCOMPARE(cell(model, 3, DeviceInfoModel::IdSerialNumber), QString(48, QLatin1Char('S')));
    QCOMPARE(cell(model, 3, DeviceInfoModel::IdMac), QString(20, QLatin1Char('M')));
    QCOMPARE(cell(model, 3, DeviceInfoModel::IdIPv4Address), QString(16, QLatin1Char('9')));
}

void TestDeviceInfoModel::addressSorting_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QStringList>("ascending");
    QTest::newRow("last group") << QStringList {"192.168.1.10", "192.168.1.9"} << QStringList {"192.168.1.9", "192.168.1.10"};
    QTest::newRow("first group") << QStringList {"10.0.0.2", "9.0.0.1"} << QStringList {"9.0.0.1", "10.0.0.2"};
    QTest::newRow("mixed") << QStringList {"172.16.0.1", "10.10.10.10", "10.9.255.255", "1.2.3.4"}
                           << QStringList {"1.2.3.4", "10.9.255.255", "10.10.10.10", "172.16.0.1"};
}

void TestDeviceInfoModel::addressSorting()
{
    QFETCH(QStringList, addresses);
    QFETCH(QStringList, ascending);
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < addresses.size(); ++i) {
        const TARN_DEVICE_INFO r = make(QStringLiteral("SN%1").arg(i), QStringLiteral("02-00-00-00-00-%1").arg(i), addresses.at(i));
        model.addDevice(&r);
    }
    model.sort(model.columnOf(DeviceInfoModel::IdIPv4Address), Qt::AscendingOrder);
    QStringList sorted;
    for (int row = 0; row < model.rowCount(); ++row)
        sorted << cell(model, row, DeviceInfoModel::IdIPv4Address);
    QCOMPARE(sorted, ascending);
}

void TestDeviceInfoModel::sortKeyStaysInsideTheText()
{
    using aptui::CIpStandardItem;
    QCOMPARE(CIpStandardItem::sortKey(QStringLiteral("192.168.1.9")), QStringLiteral("192168001009"));
    QCOMPARE(CIpStandardItem::sortKey(QString()), QStringLiteral("000000000000"));
    QCOMPARE(CIpStandardItem::sortKey(QStringLiteral("10.2")), QStringLiteral("010002000000"));
    QCOMPARE(CIpStandardItem::sortKey(QStringLiteral("12abc.7x.")), QStringLiteral("012007000000"));
    QCOMPARE(CIpStandardItem::sortKey(QStringLiteral("1.2.3.4.5.6")), QStringLiteral("001002003004"));
    // Digits beyond any int do not overflow, and the key keeps its width.
    QCOMPARE(CIpStandardItem::sortKey(QStringLiteral("99999999999999.1")), QStringLiteral("999001000000"));

    CIpStandardItem empty {QString()};
    CIpStandardItem address(QStringLiteral("0.0.0.1"));
    QVERIFY(empty < address);
    QVERIFY(!(address < empty));
}

void TestDeviceInfoModel::removalRenumbersDisplayedRows()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QStringList serials {QStringLiteral("SN-B"), QStringLiteral("SN-C"), QStringLiteral("SN-A")};
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < serials.size(); ++i) {
        records.append(make(serials.at(i), QStringLiteral("02-00-00-00-00-0%1").arg(i)));
        model.addDevice(&records.last());
    }
    model.sort(model.columnOf(DeviceInfoModel::IdSerialNumber), Qt::AscendingOrder);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-A"));
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("003"));

    model.removeDevice(&records[2]);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-B"));
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
    QCOMPARE(cell(model, 1, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-C"));
    QCOMPARE(cell(model, 1, DeviceInfoModel::IdNumber), QStringLiteral("002"));
}

void TestDeviceInfoModel::lookupFollowsRowsMovedBehindItsBack()
{
    DeviceInfoModel model(nullptr, m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 6; ++i) {
        records.append(make(QStringLiteral("SN%1").arg(5 - i), QStringLiteral("02-00-00-00-00-0%1").arg(i)));
        model.addDevice(&records.last());
    }
    model.sort(model.columnOf(DeviceInfoModel::IdSerialNumber), Qt::AscendingOrder);
    QCOMPARE(model.findRow(QStringLiteral("SN5"), QStringLiteral("02-00-00-00-00-00")), 5);
    model.removeRows(1, 2);  // SN1 and SN2
    QCOMPARE(model.findRow(QStringLiteral("SN5"), QStringLiteral("02-00-00-00-00-00")), 3);
    QCOMPARE(model.findRow(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-04")), -1);
    // A cell edited from outside moves the identity with it.
    model.item(0, model.columnOf(DeviceInfoModel::IdMac))->setText(QStringLiteral("02-00-00-00-00-00"));
    model.item(0, model.columnOf(DeviceInfoModel::IdSerialNumber))->setText(QStringLiteral("SN5"));
    QCOMPARE(model.findRow(QStringLiteral("SN5"), QStringLiteral("02-00-00-00-00-00")), 0);
    QCOMPARE(model.findRow(QStringLiteral("SN0"), QStringLiteral("02-00-00-00-00-05")), -1);
    // A row inserted in the middle.
    model.insertRow(0, {new QStandardItem});
    QCOMPARE(model.findRow(QStringLiteral("SN5"), QStringLiteral("02-00-00-00-00-00")), 1);
    records[0].httpPort = 0;
    model.updateDevice(&records[0]);
    QCOMPARE(cell(model, 1, DeviceInfoModel::IdHttpPort), QStringLiteral("N/A"));
}

void TestDeviceInfoModel::defaultLayout()
{
    // The file the build puts beside the program.
    const QString built = QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml");
    QCOMPARE(indexValues(built), identity());
    const QString path = m_dir->filePath(QStringLiteral("ColumnConfig.xml"));
    QVERIFY(QFile::copy(built, path));
    DeviceInfoModel model(nullptr, path);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(model.loadColumnConfig());
    for (int id = 0; id < DeviceInfoModel::ColumnIdCount; ++id)
        QCOMPARE(model.columnOf(id), id);
    QCOMPARE(model.columnOf(-1), -1);
    QCOMPARE(model.columnOf(23), -1);
}

void TestDeviceInfoModel::badLayoutStillGivesDistinctColumns_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray("") << true;
    QTest::newRow("malformed") << QByteArray("<ColumnConfig><A><IndexValue>3</Index") << true;
    QTest::newRow("partial") << layoutOf({3, 2, 1}) << true;
    QTest::newRow("repeated") << layoutOf(QVector<int>(22, 5)) << true;
    QTest::newRow("out of range") << layoutOf({21, 22, -1, 1000000, 99999999, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                               15, 16, 17, 18, 19, 20}) << true;
    QTest::newRow("too many") << layoutOf(identity() + QVector<int> {3, 4}) << true;
    QTest::newRow("not numbers")
        << QByteArray("<C><a><IndexValue>x</IndexValue></a><b/><c><IndexValue></IndexValue></c></C>") << true;
}

void TestDeviceInfoModel::badLayoutStillGivesDistinctColumns()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QString path = m_dir->filePath(QStringLiteral("ColumnConfig.xml"));
    if (exists)
        path = writeConfig(content);
    DeviceInfoModel model(nullptr, path);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSet<int> columns;
    for (int id = 0; id < DeviceInfoModel::ColumnIdCount; ++id) {
        const int c = model.columnOf(id);
        QVERIFY2(c >= 0 && c < DeviceInfoModel::ColumnIdCount, qPrintable(QString::number(c)));
        columns.insert(c);
    }
    QCOMPARE(columns.size(), int(DeviceInfoModel::ColumnIdCount));
    QCOMPARE(model.loadColumnConfig(), exists);

    // Rows still fill every column.
    const TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"));
    model.addDevice(&r);
    QCOMPARE(cell(model, 0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN1"));
}

void TestDeviceInfoModel::columnsFollowTheFile()
{
    QVector<int> layout = identity();
    std::swap(layout[4], layout[9]);  // address and serial number change places
    const QString path = writeConfig(layoutOf(layout));
    DeviceInfoModel model(nullptr, path);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnOf(DeviceInfoModel::IdIPv4Address), 9);
    QCOMPARE(model.columnOf(DeviceInfoModel::IdSerialNumber), 4);
    const TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.1.2.3"));
    model.addDevice(&r);
    QCOMPARE(model.item(0, 9)->text(), QStringLiteral("10.1.2.3"));
    QVERIFY(dynamic_cast<aptui::CIpStandardItem *>(model.item(0, 9)));
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Serial Number"));
    // The file is read, not rewritten, at start.
    QCOMPARE(indexValues(path), layout);

    // A layout from before the protocol column: read as it is, the new column last, and widened
    // on the next save rather than set aside.
    layout.removeLast();
    const QString older = writeConfig(layoutOf(layout));
    DeviceInfoModel widened(nullptr, older);
    QCOMPARE(widened.columnOf(DeviceInfoModel::IdSerialNumber), 4);
    QCOMPARE(widened.columnOf(DeviceInfoModel::IdProtocol), int(DeviceInfoModel::IdProtocol));
    widened.moveColumn(0, 1, 2);
    QCOMPARE(indexValues(older).size(), int(DeviceInfoModel::ColumnIdCount));
    QVERIFY(widened.keptAsidePath().isEmpty());
}

void TestDeviceInfoModel::dragRewritesIndexValues_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QVector<int>>("expected");
    QVector<int> right = identity();
    right[3] = 6;
    right[4] = 3;
    right[5] = 4;
    right[6] = 5;
    QTest::newRow("3 to 6") << 3 << 6 << right;
    QVector<int> left = identity();
    left[6] = 3;
    left[3] = 4;
    left[4] = 5;
    left[5] = 6;
    QTest::newRow("6 to 3") << 6 << 3 << left;
    QTest::newRow("no move") << 5 << 5 << identity();
}

void TestDeviceInfoModel::dragRewritesIndexValues()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QVector<int>, expected);
    const QString path = writeConfig(layoutOf(identity()));
    DeviceInfoModel model(nullptr, path);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.moveColumn(-7, from, to);
    QCOMPARE(indexValues(path), expected);
    // Saved as GB2312, and the columns in memory stay where they were.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readLine().contains("GB2312"));
    QCOMPARE(model.columnOf(from), from);
    // The next start places the columns from the file.
    DeviceInfoModel next(nullptr, path);
    for (int id = 0; id < DeviceInfoModel::ColumnIdCount; ++id)
        QCOMPARE(next.columnOf(id), expected.at(id));
}

void TestDeviceInfoModel::dragNeverReplacesAFileNotOurs_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("link");
    QTest::addColumn<QString>("logged");
    QTest::newRow("missing") << QByteArray() << false << "no such file";
    QTest::newRow("not a permutation") << layoutOf({1, 1, 1}) << false << "not a layout of 23 distinct columns";
    QTest::newRow("one typo") << layoutOf(identity()).replace("</Column>\n  <Column>", "</Column>\n  <Colum>") << false
                              << "at line";
    QTest::newRow("nested 40,000 deep") << QByteArray("<a>").repeated(40000) + QByteArray("</a>").repeated(40000)
                                        << false << "deeper than";
    QTest::newRow("a link to another file") << QByteArray("root:x:0:0:root:/root:/bin/bash\n") << true << "at line";
}

// A hand-edited file with one typo, or a link to some other file, used to be replaced by the default
// layout on the first header drag. Now every fallback is logged, and the file is kept: moved aside
// before the layout is saved, or, behind a link, never touched.
void TestDeviceInfoModel::dragNeverReplacesAFileNotOurs()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, link);
    QFETCH(QString, logged);
    const QString path = m_dir->filePath(QStringLiteral("ColumnConfig.xml"));
    const QString target = m_dir->filePath(QStringLiteral("passwd"));
    if (link) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QVERIFY(QFile::link(target, path));
    } else if (!content.isEmpty()) {
        QCOMPARE(writeConfig(content), path);
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Column layout .* not read \\(.*%1.*\\): the "
                                                                         "default columns are used").arg(logged)));
    if (link)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is a symbolic link")));
    DeviceInfoModel model(nullptr, path);

    if (!link && !content.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be read: kept as")));
    model.moveColumn(0, 3, 6);
    if (link) {
        QVERIFY(QFileInfo(path).isSymLink());
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QVERIFY(model.keptAsidePath().isEmpty());
        return;
    }
    if (!content.isEmpty()) {
        QFile aside(model.keptAsidePath());
        QVERIFY2(aside.open(QIODevice::ReadOnly), qPrintable(model.keptAsidePath()));
        QCOMPARE(aside.readAll(), content);
    }
    // The new file is a whole layout, and the next start reads it without a word.
    QVector<int> values = indexValues(path);
    QCOMPARE(values.size(), int(DeviceInfoModel::ColumnIdCount));
    DeviceInfoModel next(nullptr, path);
    for (int id = 0; id < DeviceInfoModel::ColumnIdCount; ++id)
        QCOMPARE(next.columnOf(id), values.at(id));
    std::sort(values.begin(), values.end());
    QCOMPARE(values, identity());
    // A second drag saves over the file now in place, which is ours.
    next.moveColumn(0, 6, 3);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), content.isEmpty() ? 1 : 2);
}

void TestDeviceInfoModel::aLayoutThatCannotBeSavedStillShows()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not read")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not saved")));
    DeviceInfoModel unsaved(nullptr, m_dir->filePath(QStringLiteral("no/such/folder/ColumnConfig.xml")));
    unsaved.moveColumn(0, 3, 6);
    QCOMPARE(unsaved.columnOf(3), 3);
}

// Outside the build tree's program folder, the default name is the user's layout in their own
// settings folder (made private on the first drag); the default beside the program (here: none, so
// the built-in one) serves while the user's is missing, or broken, which the log names.
void TestDeviceInfoModel::aRelativeNameIsTheUsersOwnLayout()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    const QString own = m_dir->filePath(QStringLiteral("tarntool/ColumnConfig.xml"));
    {
        DeviceInfoModel first;
        QCOMPARE(first.configFilePath(), own);
        QCOMPARE(first.columnOf(3), 3);
        first.moveColumn(0, 3, 6);
    }
    QCOMPARE(QFileInfo(QFileInfo(own).absolutePath()).permissions() & 0x0077, QFileDevice::Permissions());
    const QVector<int> dragged = indexValues(own);
    QCOMPARE(dragged.value(3), 6);
    DeviceInfoModel restarted;
    QCOMPARE(restarted.columnOf(3), 6);

    QFile broken(own);
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<ColumnConfig><Check>");
    broken.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Column layout .*/tarntool/ColumnConfig.xml "
                                                                         "not read .*: the default layout .* is used")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not read \\(there is no such file\\): the "
                                                                         "default columns are used")));
    DeviceInfoModel fallback;
    QCOMPARE(fallback.columnOf(3), 3);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be read: kept as")));
    fallback.moveColumn(0, 3, 6);
    QVERIFY(!fallback.keptAsidePath().isEmpty());
    QCOMPARE(indexValues(own), dragged);
    qputenv("XDG_CONFIG_HOME", saved);
}

QTEST_MAIN(TestDeviceInfoModel)
#include "tst_deviceinfomodel.moc"
