#include <QtTest>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>

#include "aptui/kittest.h"
#include "aptui/multistatelineedit.h"
#include "configpanel/devicemodifypage.h"
#include "configpanel/devicemodifyresultpage.h"
#include "devicelist/devicestore.h"
#include "devicelist/devicerecords.h"
#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"
#include "support/modalboxes.h"

using aptui::MultiStateLineEdit;
using kittest::child;
using TarnTool::DeviceModifyPage;
using TarnTool::DeviceStore;

// A library whose device operations answer as each test says, from the runner's own thread.
namespace fake {

struct Call
{
    QByteArray target;
    QByteArray password;
    TARN_NETWORK_PARAMS params;
};

std::mutex mutex;
QVector<Call> calls;
QHash<QByteArray, int> failWith;              // target -> code the call fails with
QHash<QByteArray, TARN_DEVICE_INFO> lateNews;  // target -> announced while its answer is lost
thread_local int error = 0;
TARN::TarnHandler *handler = nullptr;

int answer(const QByteArray &target)
{
    TARN_DEVICE_INFO news;
    bool announce = false;
    int code = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        code = failWith.value(target, 0);
        announce = lateNews.contains(target);
        if (announce)
            news = lateNews.value(target);
    }
    if (announce)
        TARN::TarnHandler::deviceCallback(&news, handler);
    error = code;
    return code == 0 ? 1 : 0;
}
int modify(const char *mac, const char *password, const TARN_NETWORK_PARAMS *params)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.append({mac, password, *params});
    }
    return answer(mac);
}
int activate(const char *serial, const char *password)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.append({serial, password, TARN_NETWORK_PARAMS {}});
    }
    return answer(serial);
}
int ok0() { return 1; }
int setLog(int, const char *, int) { return 1; }
int filter(int, const void *, unsigned int) { return 1; }
int start(TARN_DEVICE_CALLBACK, int, void *) { return 1; }
int config(const char *, unsigned int, const void *, unsigned int, void *, unsigned int) { return 1; }
int reset(const char *, const TARN_RESET_PARAM *) { return 1; }
int resetDefault(const char *, const char *) { return 1; }
int lastError() { return error; }

const TARN::TarnLibrary library {setLog, filter, start, ok0, ok0, ok0, activate, modify, config, reset, resetDefault,
                                 lastError};

void clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
    failWith.clear();
    lateNews.clear();
}

// In the order of their targets: a batch sends to several devices at once, so the calls come in
// any order; the tests' devices are numbered in table order.
QVector<Call> taken()
{
    std::lock_guard<std::mutex> lock(mutex);
    QVector<Call> sorted = calls;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Call &a, const Call &b) { return a.target < b.target; });
    return sorted;
}

} // namespace fake

class CoverParent : public QWidget
{
    Q_OBJECT

public slots:
    void enableCover() { ++covers; }
    void disableCover() { --covers; }

public:
    int covers = 0;
};

// Rows of a result list, read before it is closed.
struct ResultRow
{
    QString address, text;
    bool ok;
};

class TestDeviceModifyPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void viewForEachSelection_data();
    void viewForEachSelection();
    void singleFormKeepsDhcpAndHttpZero();
    void singleChecksAndDeviceAnswers();
    void batchAcrossBoundary();
    void batchRefusedBeforeSending();
    void batchFormKeepsWhatDevicesShare();
    void batchStopsAfterCurrentDevice();
    void activationRulesAndBars();
    void activationBatch();
    void passwordFieldsRefusePaste();
    void forgetPasswordRoutes();

private:
    DeviceInfo info(const TARN_DEVICE_INFO &record) const;
    void select(ModifyPage mode, const QVector<TARN_DEVICE_INFO> &records);
    QVector<modalboxes::Shown> click(const char *button);
    MultiStateLineEdit *edit(const char *name) const { return child<MultiStateLineEdit>(m_page, name); }
    void type(const char *name, const QString &text) { edit(name)->setText(text); }

    QScopedPointer<TARN::TarnHandler> m_handler;
    QScopedPointer<CoverParent> m_parent;
    DeviceModifyPage *m_page = nullptr;
    QVector<ResultRow> m_resultRows;
    QStringList m_resultCaptions;
};

void TestDeviceModifyPage::initTestCase()
{
    // The icons and bars are the skin's, as in the running tool; the tests tell them apart.
    QPluginLoader loader(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    registerDeviceMetaTypes();
    m_handler.reset(new TARN::TarnHandler(fake::library));
    fake::handler = m_handler.data();
}

void TestDeviceModifyPage::init()
{
    fake::clear();
    DeviceStore::instance()->clear();
    m_parent.reset(new CoverParent);
    m_page = new DeviceModifyPage(m_parent.data());
    m_page->setDiscoveryHandler(m_handler.data());
    m_page->setResolveTimeout(300);
    m_parent->resize(400, 800);
    m_parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_parent.data()));
}

void TestDeviceModifyPage::cleanup()
{
    m_parent.reset();
    m_resultRows.clear();
    m_resultCaptions.clear();
}

DeviceInfo TestDeviceModifyPage::info(const TARN_DEVICE_INFO &record) const
{
    DeviceInfo d;
    d.strSerialNo = TARN::serialOf(record);
    d.strMAC = TARN::macOf(record);
    d.strIPv4 = TARN::fieldText(record.ipv4Address);
    d.strDeviceType = TARN::fieldText(record.deviceTypeName);
    return d;
}

void TestDeviceModifyPage::select(ModifyPage mode, const QVector<TARN_DEVICE_INFO> &records)
{
    QVector<DeviceInfo> infos;
    for (const TARN_DEVICE_INFO &r : records) {
        DeviceStore::instance()->add(r);
        infos << info(r);
        infos.last().strIndex = QStringLiteral("%1").arg(infos.size(), 3, 10, QLatin1Char('0'));
    }
    m_page->onCurrentSelectionChange(mode, infos);
}

QVector<modalboxes::Shown> TestDeviceModifyPage::click(const char *button)
{
    return modalboxes::answer([this, button] { QTest::mouseClick(child<QPushButton>(m_page, button), Qt::LeftButton); },
                              [this](QWidget *box) {
                                  auto *list = qobject_cast<TarnTool::DeviceModifyResultPage *>(box);
                                  if (list) {
                                      auto *model = list->findChild<QStandardItemModel *>();
                                      for (int r = 0; r < model->rowCount(); ++r)
                                          m_resultRows.append({model->item(r, 2)->text(), model->item(r, 4)->text(),
                                                               model->item(r, 4)->text().isEmpty()});
                                      m_resultCaptions << child<QLabel>(list, "m_labelDeviceAll")->text()
                                                       << child<QLabel>(list, "m_labelDeviceFail")->text()
                                                       << model->headerData(4, Qt::Horizontal).toString();
                                  }
                                  box->close();
                              });
}

void TestDeviceModifyPage::viewForEachSelection_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("devices");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("activeForm");
    QTest::addColumn<bool>("modifyForm");
    QTest::addColumn<bool>("forgetShown");
    QTest::addColumn<bool>("modifyEnabled");
    QTest::addColumn<QString>("title");
    QTest::newRow("nothing checked") << int(MODIFY_SINGLE) << 0 << 0 << false << true << true << false
                                     << "Modify Network parameters";
    QTest::newRow("one activated") << int(MODIFY_SINGLE) << 1 << 0 << false << true << true << true
                                   << "Modify Network parameters";
    QTest::newRow("several activated") << int(MODIFY_BATCH) << 3 << 0 << false << true << false << true
                                       << "Batch Modify Network parameters";
    QTest::newRow("one new") << int(ACTIVE_SINGLE) << 1 << 1 << true << false << false << true << "Device active";
    QTest::newRow("several new") << int(ACTIVE_BATCH) << 3 << 1 << true << false << false << true
                                 << "Batch devices active";
    QTest::newRow("mixed") << int(MIXED_BATCH) << 2 << 1 << false << false << false << true
                           << "Batch devices network parameters";
}

void TestDeviceModifyPage::viewForEachSelection()
{
    QFETCH(int, mode);
    QFETCH(int, devices);
    QFETCH(int, page);
    QFETCH(bool, activeForm);
    QFETCH(bool, modifyForm);
    QFETCH(bool, forgetShown);
    QFETCH(bool, modifyEnabled);
    QFETCH(QString, title);
    // A view always starts clean: type into every password field first.
    select(ACTIVE_SINGLE, {devicerecords::make("S0", "00:00:00:00:00:10")});
    type("m_lineEditNewPassword", "abc12345XY");
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < devices; ++i)
        records << devicerecords::make(QStringLiteral("S%1").arg(i + 1), QStringLiteral("00:00:00:00:00:0%1").arg(i + 1));
    select(ModifyPage(mode), records);

    QCOMPARE(child<QStackedWidget>(m_page, "m_stackedWidget")->currentIndex(), page);
    QCOMPARE(child(m_page, "m_frameActive")->isVisible(), activeForm);
    QCOMPARE(child(m_page, "m_frameModifyPara")->isVisible(), modifyForm);
    QCOMPARE(child(m_page, "m_btnLostPassword")->isVisible(), forgetShown);
    if (modifyForm) {
        QCOMPARE(child(m_page, "m_btnModify")->isEnabled(), modifyEnabled);
        QCOMPARE(child(m_page, "m_btnLostPassword")->isEnabled(), devices == 1);
        QCOMPARE(child<QLabel>(m_page, "m_labelDeviceNetPara")->text(), title);
        QVERIFY(edit("m_lineEditAdminPassword")->text().isEmpty());
    } else {
        QVERIFY(child<QLabel>(m_page, "m_labelNetPara")->text().contains(title));
        QCOMPARE(child(m_page, "m_labelWord2")->isVisible(), mode == MIXED_BATCH);
        QCOMPARE(child(m_page, "m_tipWidget")->isVisible(), mode != MIXED_BATCH);
        QCOMPARE(child<QLabel>(m_page, "m_labelPicture")->pixmap(Qt::ReturnByValue).size(), QSize(100, 100));
    }
    if (activeForm) {
        QVERIFY(edit("m_lineEditNewPassword")->text().isEmpty());
        QVERIFY(child<QLabel>(m_page, "m_labelLevel")->text().isEmpty());
    }
    if (devices == 0) {
        // With nothing checked every button says so rather than acting.
        QCOMPARE(modalboxes::warnings(modalboxes::answer([this] { m_page->onModifyNetParas(); })),
                 QStringList {"Sorry, please select the equipment."});
        QCOMPARE(modalboxes::warnings(modalboxes::answer([this] { m_page->onActiveDevices(); })),
                 QStringList {"Please select a device."});
        QVERIFY(edit("m_lineEditIpAddress")->text().isEmpty());
        QVERIFY(!edit("m_lineEditIpAddress")->isEnabled());
    }
}

void TestDeviceModifyPage::singleFormKeepsDhcpAndHttpZero()
{
    TARN_DEVICE_INFO device = devicerecords::make("S1", "00:00:00:00:00:01");
    device.dhcpEnabled = 1;  // the record says DHCP is on
    device.httpPort = 0;     // and the device has no web page
    select(MODIFY_SINGLE, {device});
    auto *dhcp = child<QCheckBox>(m_page, "m_checkBoxDHCP");
    QVERIFY(dhcp->isChecked());
    QVERIFY(!edit("m_lineEditIpAddress")->isEnabled());
    QCOMPARE(edit("m_lineEditHttpPort")->text(), QStringLiteral("0"));
    QVERIFY(!edit("m_lineEditHttpPort")->isEnabled());

    type("m_lineEditAdminPassword", "Admin12345");
    QSignalSpy results(m_page, &DeviceModifyPage::signalModifyResult);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Modify network parameters succeed."});
    const QVector<fake::Call> calls = fake::taken();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].target, QByteArray("00:00:00:00:00:01"));
    QCOMPARE(calls[0].password, QByteArray("Admin12345"));
    QCOMPARE(int(calls[0].params.dhcpEnabled), 1);  // Modify without changes never flips DHCP
    QCOMPARE(int(calls[0].params.httpPort), 0);     // nor gives a device without a web page port 80
    QCOMPARE(int(calls[0].params.port), 8000);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0][0].value<QVector<DeviceInfo>>().first().strResult, QStringLiteral("Succeed"));

    // Unchecking reloads the stored values and leaves the box unchecked, the address editable.
    dhcp->setChecked(false);
    QVERIFY(!dhcp->isChecked());
    QVERIFY(edit("m_lineEditIpAddress")->isEnabled());
    QCOMPARE(edit("m_lineEditIpAddress")->text(), QStringLiteral("192.168.1.64"));
}

void TestDeviceModifyPage::singleChecksAndDeviceAnswers()
{
    select(MODIFY_SINGLE, {devicerecords::make("S1", "00:00:00:00:00:01")});
    QSignalSpy results(m_page, &DeviceModifyPage::signalModifyResult);
    type("m_lineEditIpAddress", "10.0.0.0");
    // The admin password is asked for before any field is checked.
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Sorry, please enter the administrator password."});
    QCOMPARE(edit("m_lineEditAdminPassword")->lineEditState(), MultiStateLineEdit::ERROR);
    type("m_lineEditAdminPassword", "wrong-pass");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"IP Address not correct."});
    QCOMPARE(edit("m_lineEditIpAddress")->lineEditState(), MultiStateLineEdit::ERROR);
    QVERIFY(!child<QLabel>(m_page, "m_labelHintIpAddress")->pixmap(Qt::ReturnByValue).isNull());
    // A press in the marked field clears the mark and the icon.
    QTest::mousePress(edit("m_lineEditIpAddress"), Qt::LeftButton);
    QCOMPARE(edit("m_lineEditIpAddress")->lineEditState(), MultiStateLineEdit::NORMAL);
    QVERIFY(child<QLabel>(m_page, "m_labelHintIpAddress")->pixmap(Qt::ReturnByValue).isNull());
    type("m_lineEditIpAddress", "10.0.0.9");
    type("m_lineEditGateway", "");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Gateway can not be empty"});
    type("m_lineEditGateway", "10.0.0.1");
    type("m_lineEditIPV6SubnetMaskLen", "");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"IPv6 prefix length ranges from 0 to 127."});
    type("m_lineEditIPV6SubnetMaskLen", "64");
    QVERIFY(fake::taken().isEmpty());

    // What the device answers.
    fake::failWith.insert("00:00:00:00:00:01", TARN_ERR_DENIED);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Device deny."});
    fake::failWith.insert("00:00:00:00:00:01", TARN_ERR_LOCKED);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Error2010:others"});
    QCOMPARE(results.size(), 0);
    // No answer and no announcement: nobody can say whether it took.
    fake::failWith.insert("00:00:00:00:00:01", TARN_ERR_TIMEOUT);
    const QStringList unknown = modalboxes::warnings(click("m_btnModify"));
    QCOMPARE(unknown.size(), 1);
    QVERIFY2(unknown[0].startsWith("Time out. The device has not announced"), qPrintable(unknown[0]));
    // No answer, but the device announces the new address: the change took.
    TARN_DEVICE_INFO news = devicerecords::make("S1", "00:00:00:00:00:01", "10.0.0.9");
    TARN::setFieldText(news.ipv4Gateway, QStringLiteral("10.0.0.1"));
    news.eventType = TARN_EVENT_UPDATE;
    fake::lateNews.insert("00:00:00:00:00:01", news);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList {"Modify network parameters succeed."});
    QCOMPARE(results.size(), 1);
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get("S1", "00:00:00:00:00:01", &stored));
    QCOMPARE(TARN::fieldText(stored.ipv4Address), QStringLiteral("10.0.0.9"));
    // Every attempt sent the password as typed: using it leaves the field as it was.
    for (const fake::Call &call : fake::taken())
        QCOMPARE(call.password, QByteArray("wrong-pass"));
    QCOMPARE(fake::taken().size(), 4);
    QCOMPARE(edit("m_lineEditAdminPassword")->text(), QStringLiteral("wrong-pass"));
}

void TestDeviceModifyPage::batchAcrossBoundary()
{
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 4; ++i)
        records << devicerecords::make(QStringLiteral("S%1").arg(i), QStringLiteral("00:00:00:00:00:1%1").arg(i));
    records[2].port = 8001;  // ports differ: the port field is off and each keeps its own
    select(MODIFY_BATCH, records);
    QVERIFY(!edit("m_lineEditPort")->isEnabled());
    type("m_lineEditStartIp", "172.16.0.254");
    type("m_lineEditSubnetMask", "255.255.0.0");
    type("m_lineEditGateway", "172.16.0.1");
    type("m_lineEditHttpPort", "8080");
    type("m_lineEditAdminPassword", "Admin12345");
    fake::failWith.insert("00:00:00:00:00:13", TARN_ERR_DENIED);
    QSignalSpy progress(m_page, &DeviceModifyPage::signalProgress);
    QSignalSpy results(m_page, &DeviceModifyPage::signalModifyResult);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList());

    const QVector<fake::Call> calls = fake::taken();
    QCOMPARE(calls.size(), 4);
    const QStringList expected {"172.16.0.254", "172.16.1.1", "172.16.1.2", "172.16.1.3"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(TARN::fieldText(calls[i].params.ipv4Address), expected[i]);
        QCOMPARE(TARN::fieldText(calls[i].params.ipv4SubnetMask), QStringLiteral("255.255.0.0"));
        QCOMPARE(int(calls[i].params.httpPort), 8080);
        QCOMPARE(int(calls[i].params.port), i == 2 ? 8001 : 8000);
        QCOMPARE(int(calls[i].params.dhcpEnabled), 0);
        QCOMPARE(progress[i][0].toInt(), i + 1);
        QCOMPARE(progress[i][2].toString(), expected[i]);
    }
    QCOMPARE(results.size(), 1);
    const QVector<DeviceInfo> out = results[0][0].value<QVector<DeviceInfo>>();
    QCOMPARE(out[1].strIPv4, QStringLiteral("172.16.1.1"));
    QCOMPARE(out[3].strResult, QStringLiteral("Error2009:device deny"));
    QCOMPARE(out[3].strIPv4, QStringLiteral("192.168.1.64"));  // a refused device keeps its address
    QCOMPARE(m_resultRows.size(), 4);
    QVERIFY(m_resultRows[0].ok && !m_resultRows[3].ok);
    QCOMPARE(m_resultRows[3].text, QStringLiteral("Error2009:device deny"));
    QCOMPARE(m_resultCaptions.mid(0, 2), (QStringList {"Devices Number: 4", "Failed Number: 1"}));
    QCOMPARE(m_parent->covers, 0);  // covered while the list was open, and uncovered after
}

void TestDeviceModifyPage::batchRefusedBeforeSending()
{
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 5; ++i)
        records << devicerecords::make(QStringLiteral("S%1").arg(i), QStringLiteral("00:00:00:00:00:2%1").arg(i));
    select(MODIFY_BATCH, records);
    type("m_lineEditAdminPassword", "Admin12345");
    type("m_lineEditStartIp", "192.168.1.251");
    type("m_lineEditPort", "8000");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditGateway", "192.168.1.1");
    type("m_lineEditHttpPort", "80");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"Only 4 of the 5 devices fit between the start address and the end of its subnet. Nothing "
                          "was changed."});
    QVERIFY(fake::taken().isEmpty());

    // An address held by a device on the table that is not in the batch is not handed out.
    TARN_DEVICE_INFO other = devicerecords::make(QStringLiteral("OTHER"), QStringLiteral("00:00:00:00:00:99"));
    TARN::setFieldText(other.ipv4Address, QStringLiteral("192.168.1.203"));
    DeviceStore::instance()->add(other);
    type("m_lineEditStartIp", "192.168.1.200");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"The address 192.168.1.203 is held by the device OTHER, which is not in this batch. Choose "
                          "another start address."});
    QVERIFY(fake::taken().isEmpty());
    DeviceStore::instance()->remove(other);

    // Devices whose addresses cannot be planned from a start address: a static batch is refused.
    for (TARN_DEVICE_INFO &r : records)
        r.deviceTypeCode = 0x9E00;
    DeviceStore::instance()->clear();
    select(MODIFY_BATCH, records);
    QVERIFY(!edit("m_lineEditStartIp")->isEnabled());
    type("m_lineEditAdminPassword", "Admin12345");
    type("m_lineEditPort", "8000");
    type("m_lineEditGateway", "192.168.1.1");
    type("m_lineEditHttpPort", "80");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"These devices cannot be given addresses from a start address. Check Enable DHCP, or "
                          "modify them one at a time."});
    QVERIFY(fake::taken().isEmpty());
    // With DHCP they can all be switched over, each keeping its stored addresses. The first
    // announces its lease while it answers, and the store (kept by the table, as in the tool)
    // keeps the lease rather than going back to the address sent.
    TARN_DEVICE_INFO leased = records[0];
    TARN::setFieldText(leased.ipv4Address, QStringLiteral("192.168.254.100"));
    leased.dhcpEnabled = 1;
    leased.eventType = TARN_EVENT_UPDATE;
    fake::lateNews.insert(TARN::macOf(leased).toLatin1(), leased);
    QObject table;
    connect(m_handler.data(), &TARN::TarnHandler::signalDeviceUpdate, &table,
            [](TARN_DEVICE_INFO d) { DeviceStore::instance()->replace(d); });
    child<QCheckBox>(m_page, "m_checkBoxBatchDHCP")->setChecked(true);
    click("m_btnModify");
    QCOMPARE(fake::taken().size(), 5);
    QCOMPARE(int(fake::taken()[0].params.dhcpEnabled), 1);
    QCOMPARE(TARN::fieldText(fake::taken()[0].params.ipv4Address), QStringLiteral("192.168.1.64"));
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get(TARN::serialOf(leased), TARN::macOf(leased), &stored));
    QCOMPARE(TARN::fieldText(stored.ipv4Address), QStringLiteral("192.168.254.100"));
    QCOMPARE(int(stored.dhcpEnabled), 1);
}

// IPv4-only devices sharing ports and gateway, moved to another subnet: the shared values are shown,
// the gateway can be changed, a gateway outside the new subnet is refused by the form (typed or
// kept), a start address no device takes is refused, and a device's refusal names what it was sent.
void TestDeviceModifyPage::batchFormKeepsWhatDevicesShare()
{
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 3; ++i) {
        records << devicerecords::make(QStringLiteral("S%1").arg(i), QStringLiteral("00:00:00:00:00:4%1").arg(i));
        records.last().ipv6Valid = 0;
        TARN::setFieldText(records.last().ipv6Address, QString());
        TARN::setFieldText(records.last().ipv6Gateway, QString());
    }
    select(MODIFY_BATCH, records);
    QCOMPARE(edit("m_lineEditPort")->text(), QStringLiteral("8000"));
    QCOMPARE(edit("m_lineEditHttpPort")->text(), QStringLiteral("80"));
    QVERIFY(edit("m_lineEditGateway")->isEnabled());
    QCOMPARE(edit("m_lineEditGateway")->text(), QStringLiteral("192.168.1.1"));
    type("m_lineEditAdminPassword", "Admin12345");
    type("m_lineEditStartIp", "10.5.0.10");
    type("m_lineEditSubnetMask", "255.255.255.0");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"The gateway 192.168.1.1 is not in the subnet 10.5.0.0/24."});
    QCOMPARE(edit("m_lineEditGateway")->lineEditState(), MultiStateLineEdit::ERROR);
    type("m_lineEditGateway", "");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"The device S0 would keep its gateway 192.168.1.1, which is not in the subnet 10.5.0.0/24. "
                          "Enter a gateway for the batch."});
    type("m_lineEditGateway", "10.5.0.1");
    type("m_lineEditStartIp", "10.5.0.255");
    type("m_lineEditSubnetMask", "255.255.0.0");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"No device takes the start address: it ends in .0 or .255, or is the gateway. Choose "
                          "another start address."});
    QVERIFY(fake::taken().isEmpty());

    type("m_lineEditStartIp", "10.5.0.10");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditPort", "");  // empty keeps each device's own
    fake::failWith.insert("00:00:00:00:00:41", TARN_ERR_INVALID_PARAM);
    QCOMPARE(modalboxes::warnings(click("m_btnModify")), QStringList());
    const QVector<fake::Call> calls = fake::taken();
    QCOMPARE(calls.size(), 3);
    for (const fake::Call &call : calls) {
        QCOMPARE(int(call.params.port), 8000);
        QCOMPARE(int(call.params.httpPort), 80);
        QCOMPARE(TARN::fieldText(call.params.ipv4Gateway), QStringLiteral("10.5.0.1"));
    }
    QCOMPARE(m_resultRows[1].text, QStringLiteral("Error2013:the device refused these values: address 10.5.0.11, "
                                                  "mask 255.255.255.0, gateway 10.5.0.1, port 8000, HTTP port 80"));

    // One device (which took the batch's gateway): the form checks it against the address too.
    select(MODIFY_SINGLE, {records[0]});
    type("m_lineEditAdminPassword", "Admin12345");
    type("m_lineEditIpAddress", "10.6.0.9");
    QCOMPARE(modalboxes::warnings(click("m_btnModify")),
             QStringList {"The gateway 10.5.0.1 is not in the subnet 10.6.0.0/24."});
}

void TestDeviceModifyPage::batchStopsAfterCurrentDevice()
{
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 4; ++i)
        records << devicerecords::make(QStringLiteral("S%1").arg(i), QStringLiteral("00:00:00:00:00:3%1").arg(i));
    select(MODIFY_BATCH, records);
    type("m_lineEditAdminPassword", "Admin12345");
    type("m_lineEditStartIp", "192.168.1.100");
    type("m_lineEditPort", "8000");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditGateway", "192.168.1.1");
    type("m_lineEditHttpPort", "80");
    // Device 2 does not answer and nothing announces it; the person presses Stop meanwhile, and
    // checks other rows, which must not receive this batch's results.
    fake::failWith.insert("00:00:00:00:00:31", TARN_ERR_TIMEOUT);
    connect(m_page, &DeviceModifyPage::signalProgress, this, [this](int position) {
        if (position != 2)
            return;
        QVERIFY(child<QPushButton>(m_page, "m_btnStopBatch")->isVisible());
        QVERIFY(!child(m_page, "m_btnModify")->isEnabled());
        QTest::mouseClick(child<QPushButton>(m_page, "m_btnStopBatch"), Qt::LeftButton);
        m_page->onCurrentSelectionChange(ACTIVE_SINGLE, {info(devicerecords::make("N1", "00:00:00:00:00:99"))});
    });
    QSignalSpy results(m_page, &DeviceModifyPage::signalModifyResult);
    click("m_btnModify");
    QCOMPARE(fake::taken().size(), 2);
    const QVector<DeviceInfo> out = results[0][0].value<QVector<DeviceInfo>>();
    QCOMPARE(out.size(), 4);
    QCOMPARE(out[0].strResult, QStringLiteral("Succeed"));
    QCOMPARE(out[1].strResult, QStringLiteral("Error2011:no answer, result unknown"));
    QCOMPARE(out[2].strResult, QStringLiteral("Not changed: the batch was stopped"));
    QCOMPARE(out[3].strResult, QStringLiteral("Not changed: the batch was stopped"));
    QCOMPARE(m_resultCaptions.mid(0, 2), (QStringList {"Devices Number: 4", "Failed Number: 3"}));
    // The selection that came in meanwhile is shown now.
    QCOMPARE(child<QStackedWidget>(m_page, "m_stackedWidget")->currentIndex(), 1);
    QVERIFY(child(m_page, "m_frameActive")->isVisible());
    QVERIFY(!child(m_page, "m_widgetProgress")->isVisible());
}

void TestDeviceModifyPage::activationRulesAndBars()
{
    select(ACTIVE_SINGLE, {devicerecords::make("N1", "00:00:00:00:00:41", "192.168.1.64", TARN_NOT_ACTIVATED)});
    auto *word = child<QLabel>(m_page, "m_labelLevel");
    auto bars = [this] {
        QString colours;
        for (const char *name : {"m_labelLevel1", "m_labelLevel2", "m_labelLevel3"}) {
            const QImage image = child<QLabel>(m_page, name)->pixmap(Qt::ReturnByValue).toImage().convertToFormat(
                QImage::Format_ARGB32);
            const QPair<const char *, char> known[] = {{"grey", '-'}, {"red", 'r'}, {"yellow", 'y'}, {"green", 'G'}};
            for (const auto &colour : known) {
                if (image == QImage(QStringLiteral(":/CommonSkin/Password/Images/Public/Control/Password/%1.png")
                                        .arg(QLatin1String(colour.first)))
                                 .convertToFormat(QImage::Format_ARGB32))
                    colours += QLatin1Char(colour.second);
            }
        }
        return colours;
    };
    QCOMPARE(bars(), QStringLiteral("---"));
    const struct
    {
        const char *password, *word, *bars;
    } levels[] = {{"abcdefg", "", "---"},        {"abcdefgh", "", "---"},      {"abcd1234", "Weak", "r--"},
                  {"ABCD1234", "Weak", "r--"},   {"abcdefg ", "Medium", "yy-"}, {"12345678!", "Medium", "yy-"},
                  {"abcdEFGH", "Medium", "yy-"}, {"abc1EFGH", "Strong", "GGG"}, {"aB1!aB1!", "Strong", "GGG"},
                  {"nimda", "", "---"}};
    for (const auto &level : levels) {
        edit("m_lineEditNewPassword")->setText(QLatin1String(level.password));
        QCOMPARE(word->text(), QLatin1String(level.word));
        QCOMPARE(bars(), QLatin1String(level.bars));
    }

    type("m_lineEditNewPassword", "");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")), QStringList {"The password can not be empty."});
    type("m_lineEditNewPassword", "abc1EFGH");
    type("m_lineEditConfirmPassword", "abc1EFGh");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")), QStringList {"The password you typed do not match."});
    QCOMPARE(edit("m_lineEditNewPassword")->lineEditState(), MultiStateLineEdit::ERROR);
    type("m_lineEditNewPassword", "abcdefgh");
    type("m_lineEditConfirmPassword", "abcdefgh");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")),
             QStringList {"Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase "
                          "and special character for your password with at least two kinds of them contained."});
    QVERIFY(fake::taken().isEmpty());

    QSignalSpy results(m_page, &DeviceModifyPage::signalActiveResult);
    type("m_lineEditNewPassword", "abc1EFGH");
    type("m_lineEditConfirmPassword", "abc1EFGH");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")), QStringList {"Activate Succeed."});
    QCOMPARE(fake::taken().size(), 1);
    QCOMPARE(fake::taken()[0].target, QByteArray("N1"));
    QCOMPARE(fake::taken()[0].password, QByteArray("abc1EFGH"));
    QCOMPARE(results.size(), 1);
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get("N1", "00:00:00:00:00:41", &stored));
    QCOMPARE(int(stored.activationState), TARN_ACTIVATED);
    // The password does not stay in the fields after use.
    QVERIFY(edit("m_lineEditNewPassword")->text().isEmpty());
    QVERIFY(edit("m_lineEditConfirmPassword")->text().isEmpty());
    QVERIFY(word->text().isEmpty());

    // A single activation refused as already active reports the code as "others".
    select(ACTIVE_SINGLE, {devicerecords::make("N2", "00:00:00:00:00:42", "192.168.1.64", TARN_NOT_ACTIVATED)});
    fake::failWith.insert("N2", TARN_ERR_ALREADY_ACTIVATED);
    type("m_lineEditNewPassword", "abc1EFGH");
    type("m_lineEditConfirmPassword", "abc1EFGH");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")), QStringList {"Error2021:others"});
}

void TestDeviceModifyPage::activationBatch()
{
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 5; ++i)
        records << devicerecords::make(QStringLiteral("N%1").arg(i), QStringLiteral("00:00:00:00:00:5%1").arg(i),
                                       QStringLiteral("192.168.1.%1").arg(70 + i), TARN_NOT_ACTIVATED);
    select(ACTIVE_BATCH, records);
    fake::failWith.insert("N1", TARN_ERR_ALREADY_ACTIVATED);
    fake::failWith.insert("N2", TARN_ERR_DENIED);
    fake::failWith.insert("N3", TARN_ERR_TIMEOUT);  // answer lost, and the device announces itself activated
    TARN_DEVICE_INFO news = records[3];
    news.activationState = TARN_ACTIVATED;
    news.eventType = TARN_EVENT_UPDATE;
    fake::lateNews.insert("N3", news);
    fake::failWith.insert("N4", TARN_ERR_TIMEOUT);  // answer lost and not heard from since
    type("m_lineEditNewPassword", "Strong#Pass1");
    type("m_lineEditConfirmPassword", "Strong#Pass1");
    QSignalSpy results(m_page, &DeviceModifyPage::signalActiveResult);
    click("m_btnActive");
    QCOMPARE(results.size(), 1);
    const QVector<DeviceInfo> out = results[0][0].value<QVector<DeviceInfo>>();
    QCOMPARE(out[0].strResult, QStringLiteral("Succeed"));
    QCOMPARE(out[1].strResult, QStringLiteral("Error2021:reactive"));
    QCOMPARE(out[2].strResult, QStringLiteral("Error2009:Device deny."));
    QCOMPARE(out[3].strResult, QStringLiteral("Succeed"));
    QCOMPARE(out[4].strResult, QStringLiteral("Error2011:no answer, result unknown"));
    QCOMPARE(m_resultCaptions, (QStringList {"Batch activate devices 5", "Activate fail numbers 3", "Activation"}));
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get("N3", "00:00:00:00:00:53", &stored));
    QCOMPARE(int(stored.activationState), TARN_ACTIVATED);
    QVERIFY(DeviceStore::instance()->get("N4", "00:00:00:00:00:54", &stored));
    QCOMPARE(int(stored.activationState), TARN_NOT_ACTIVATED);

    // Trying the unsettled device again: "already activated" now means the first attempt took.
    select(ACTIVE_SINGLE, {records[4]});
    fake::failWith.insert("N4", TARN_ERR_ALREADY_ACTIVATED);
    type("m_lineEditNewPassword", "Strong#Pass1");
    type("m_lineEditConfirmPassword", "Strong#Pass1");
    QCOMPARE(modalboxes::warnings(click("m_btnActive")), QStringList {"Activate Succeed."});
}

void TestDeviceModifyPage::passwordFieldsRefusePaste()
{
    select(ACTIVE_SINGLE, {devicerecords::make("N1", "00:00:00:00:00:61", "192.168.1.64", TARN_NOT_ACTIVATED)});
    QApplication::clipboard()->setText(QStringLiteral("Pasted#123"));
    for (const char *name : {"m_lineEditNewPassword", "m_lineEditConfirmPassword", "m_lineEditAdminPassword"}) {
        MultiStateLineEdit *field = edit(name);
        QCOMPARE(field->contextMenuPolicy(), Qt::NoContextMenu);
        QCOMPARE(field->maxLength(), 16);
        field->setEnabled(true);
        field->setFocus();
        QTest::keySequence(field, QKeySequence::Paste);
        QVERIFY2(field->text().isEmpty(), name);
        QTest::keyClicks(field, QStringLiteral("typed"));
        QCOMPARE(field->text(), QStringLiteral("typed"));
        field->clear();
    }
}

void TestDeviceModifyPage::forgetPasswordRoutes()
{
    TARN_DEVICE_INFO keyDevice = devicerecords::make("K1", "00:00:00:00:00:71");
    keyDevice.capabilityFlags |= TARN_CAP_KEY_RESET | TARN_CAP_RESET_OPTION;
    keyDevice.extraFlags = 1;
    TARN_DEVICE_INFO codeDevice = devicerecords::make("C1", "00:00:00:00:00:72");
    QSignalSpy reset(m_page, &DeviceModifyPage::signalResetPassword);
    QSignalSpy restore(m_page, &DeviceModifyPage::signalRestorePassword);
    connect(m_page, &DeviceModifyPage::signalResetPassword, this, [this] { QCOMPARE(m_parent->covers, 1); });
    select(MODIFY_SINGLE, {keyDevice});
    click("m_btnLostPassword");
    select(MODIFY_SINGLE, {codeDevice});
    click("m_btnLostPassword");
    QCOMPARE(reset.size(), 1);
    QCOMPARE(reset[0][0].value<DeviceInfo>().strSerialNo, QStringLiteral("K1"));
    QCOMPARE(reset[0][1].toBool(), true);
    QCOMPARE(reset[0][2].toBool(), true);
    QCOMPARE(restore.size(), 1);
    QCOMPARE(restore[0][0].value<DeviceInfo>().strSerialNo, QStringLiteral("C1"));
    QCOMPARE(m_parent->covers, 0);

    // An ONVIF device takes neither key nor code, and has no device port: both are off, and say why.
    TARN_DEVICE_INFO camera = devicerecords::make("OV1", "00:00:00:00:00:73");
    camera.protocol = TARN_PROTOCOL_ONVIF;
    camera.port = 0;
    select(MODIFY_SINGLE, {camera});
    auto *forget = child<QPushButton>(m_page, "m_btnLostPassword");
    QVERIFY(!forget->isEnabled());
    QVERIFY(forget->toolTip().contains(QStringLiteral("ONVIF")));
    QVERIFY(!edit("m_lineEditPort")->isEnabled());
    type("m_lineEditAdminPassword", "Admin12345");
    const QStringList shown = modalboxes::warnings(click("m_btnModify"));  // no port to check
    QCOMPARE(shown, QStringList {"Modify network parameters succeed."});
    QCOMPARE(fake::taken().size(), 1);
    select(MODIFY_SINGLE, {codeDevice});
    QVERIFY(forget->isEnabled());
    QVERIFY(edit("m_lineEditPort")->isEnabled());
}

QTEST_MAIN(TestDeviceModifyPage)
#include "tst_devicemodifypage.moc"
