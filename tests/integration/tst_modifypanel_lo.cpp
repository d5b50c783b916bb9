#include <QtTest>

#include <csignal>

#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QStandardItemModel>

#include "aptui/multistatelineedit.h"
#include "configpanel/devicemodifypage.h"
#include "configpanel/devicemodifyresultpage.h"
#include "devicecollector.h"
#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceinfomodel.h"
#include "app/tarntoolmainpage.h"
#include "devicelist/devicestore.h"
#include "discovery/tarnhandler.h"
#include "support/modalboxes.h"

using TarnTool::DeviceDisplayPage;
using TarnTool::DeviceInfoModel;
using TarnTool::DeviceModifyPage;
using TarnTool::DeviceStore;

// The main window's device table and modify panel, fed by the real
// library from the device emulator on loopback: what a person does in the panel reaches the
// devices, and comes back through their announcements into the table.
class TestModifyPanelLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void singleChangeReachesDevice();
    void wrongPasswordThenLocked();
    void batchOfThreeAcrossBoundary();
    void batchThatDoesNotFitIsRefused();
    void lostAnswerAndSilentDevice();
    void activateEveryNewDevice();
    void activationWhoseAnswerIsLost();
    void forgetPasswordOpensTheDevicesDialog();
    void mixedBatchWithOnvifCameras();

private:
    struct Device
    {
        QString mac, serial;
        bool activated;
    };
    QVector<Device> readState(const QString &path) const;
    QJsonObject stateOf(const QString &path, const QString &mac) const;
    int rowOfMac(const QString &mac) const;
    QString cell(const QString &mac, int id) const;
    void check(const QStringList &macs);
    void type(const char *name, const QString &text);
    QStringList press(const char *button);

    QTemporaryDir m_dir;
    QProcess m_emulator;      // answers at once
    QProcess m_slowEmulator;  // answers after the library has given up
    QProcess m_cameras;       // ONVIF ones
    QString m_state, m_slowState;
    QVector<Device> m_devices, m_slowDevices;
    QScopedPointer<TarnTool::TARNToolMainPage> m_window;
    DeviceDisplayPage *m_table = nullptr;
    DeviceModifyPage *m_panel = nullptr;
    DeviceInfoModel *m_model = nullptr;
    QVector<QStringList> m_resultLists;  // each list's result column, one text per row ("" = ok)
};

QVector<TestModifyPanelLoopback::Device> TestModifyPanelLoopback::readState(const QString &path) const
{
    QVector<Device> devices;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return devices;
    for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).object().value("devices").toArray()) {
        const QJsonObject d = value.toObject();
        devices.append({d.value("mac").toString(), d.value("sn").toString(), d.value("act").toInt() == 0});
    }
    return devices;
}

QJsonObject TestModifyPanelLoopback::stateOf(const QString &path, const QString &mac) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).object().value("devices").toArray()) {
        if (value.toObject().value("mac").toString() == mac)
            return value.toObject();
    }
    return QJsonObject();
}

void TestModifyPanelLoopback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (qgetenv("TARN_ISOLATED") != "1")
        qWarning("running on the shared loopback: other emulators may add devices to the table");
    qputenv("TARN_IFACES", "lo");
    QPluginLoader skin(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(skin.load(), qPrintable(skin.errorString()));

    m_state = m_dir.filePath("devices.json");
    m_slowState = m_dir.filePath("slow.json");
    QVERIFY(startEmulator(m_emulator, {"--iface", "lo", "--count", "9", "--seed", "77", "--announce-s", "2",
                                       "--state", m_state}));
    // Every datagram 3.5 s late: a challenge and an answer take 7 s, past the library's 6 s.
    QVERIFY(startEmulator(m_slowEmulator, {"--iface", "lo", "--count", "3", "--seed", "99", "--announce-s", "2",
                                           "--delay-ms", "3500", "--state", m_slowState}));
    QVERIFY(startEmulator(m_cameras, {"--iface", "lo", "--count", "0", "--onvif", "3", "--seed", "55", "--state",
                                      m_dir.filePath("cameras.json")}));
    m_devices = readState(m_state);
    m_slowDevices = readState(m_slowState);
    QCOMPARE(m_devices.size(), 9);
    QCOMPARE(m_slowDevices.size(), 3);

    registerDeviceMetaTypes();
    DeviceStore::instance()->clear();
    QFile::copy(QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"), m_dir.filePath("ColumnConfig.xml"));
    TARN::TarnHandler::instance()->enableOnvif();  // as the program does
    m_window.reset(new TarnTool::TARNToolMainPage(nullptr, TARN::TarnHandler::instance(),
                                                  m_dir.filePath("ColumnConfig.xml")));
    QVERIFY(TARN::TarnHandler::instance()->isStarted());
    m_table = m_window->displayPage();
    m_panel = m_window->modifyPage();
    m_model = m_table->findChild<DeviceInfoModel *>();
    // The slow devices' announcements arrive 3.5 s late too.
    m_panel->setResolveTimeout(6000);
    m_window->resize(1400, 800);
    m_window->show();
    auto allThere = [this] {
        for (const Device &d : m_devices + m_slowDevices) {
            if (rowOfMac(d.mac) < 0)
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allThere(), 15000);
}

void TestModifyPanelLoopback::cleanupTestCase()
{
    if (m_table)
        TARN::TarnHandler::instance()->stop();
    stopEmulator(m_emulator);
    stopEmulator(m_slowEmulator);
    stopEmulator(m_cameras);
    m_window.reset();
}

int TestModifyPanelLoopback::rowOfMac(const QString &mac) const
{
    const int column = m_model->columnOf(DeviceInfoModel::IdMac);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row, column)->text() == mac)
            return row;
    }
    return -1;
}

QString TestModifyPanelLoopback::cell(const QString &mac, int id) const
{
    const int row = rowOfMac(mac);
    return row < 0 ? QString() : m_model->item(row, m_model->columnOf(id))->text();
}

void TestModifyPanelLoopback::check(const QStringList &macs)
{
    const int column = m_model->columnOf(DeviceInfoModel::IdCheck);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QString mac = m_model->item(row, m_model->columnOf(DeviceInfoModel::IdMac))->text();
        m_model->item(row, column)->setCheckState(macs.contains(mac) ? Qt::Checked : Qt::Unchecked);
    }
}

void TestModifyPanelLoopback::type(const char *name, const QString &text)
{
    m_panel->findChild<QLineEdit *>(QLatin1String(name))->setText(text);
}

QStringList TestModifyPanelLoopback::press(const char *button)
{
    auto *target = m_panel->findChild<QPushButton *>(QLatin1String(button));
    const QVector<modalboxes::Shown> shown = modalboxes::answer(
        [target] { QTest::mouseClick(target, Qt::LeftButton); },
        [this](QWidget *box) {
            if (auto *list = qobject_cast<TarnTool::DeviceModifyResultPage *>(box)) {
                auto *model = list->findChild<QStandardItemModel *>();
                QStringList texts;
                for (int r = 0; r < model->rowCount(); ++r)
                    texts << model->item(r, 4)->text();
                m_resultLists << texts;
            }
            box->close();
        });
    return modalboxes::warnings(shown);
}

void TestModifyPanelLoopback::singleChangeReachesDevice()
{
    const Device &d = m_devices[1];
    QVERIFY(d.activated);
    check({d.mac});
    QCOMPARE(m_panel->findChild<QLineEdit *>("m_lineEditSerialNumber")->text(), d.serial);
    type("m_lineEditIpAddress", "10.98.0.21");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditGateway", "10.98.0.1");
    type("m_lineEditHttpPort", "8081");
    type("m_lineEditAdminPassword", "Admin12345");
    QCOMPARE(press("m_btnModify"), QStringList {"Modify network parameters succeed."});
    QTRY_COMPARE_WITH_TIMEOUT(cell(d.mac, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.98.0.21"), 5000);
    QCOMPARE(cell(d.mac, DeviceInfoModel::IdHttpPort), QStringLiteral("8081"));
    const QJsonObject state = stateOf(m_state, d.mac);
    QCOMPARE(state.value("ip").toString(), QStringLiteral("10.98.0.21"));
    QCOMPARE(state.value("gw").toString(), QStringLiteral("10.98.0.1"));
}

void TestModifyPanelLoopback::wrongPasswordThenLocked()
{
    const Device &d = m_devices[8];
    check({d.mac});
    const QString before = stateOf(m_state, d.mac).value("ip").toString();
    type("m_lineEditAdminPassword", "Wrong12345");
    QCOMPARE(press("m_btnModify"), QStringList {"Device deny."});
    // The device locks itself after five wrong passwords in a row, and says so with its own code.
    for (int i = 0; i < 4; ++i)
        QCOMPARE(press("m_btnModify"), QStringList {"Device deny."});
    type("m_lineEditAdminPassword", "Admin12345");
    QCOMPARE(press("m_btnModify"), QStringList {"Error2010:others"});
    QCOMPARE(stateOf(m_state, d.mac).value("ip").toString(), before);
}

void TestModifyPanelLoopback::batchOfThreeAcrossBoundary()
{
    const QStringList macs {m_devices[2].mac, m_devices[4].mac, m_devices[5].mac};
    check(macs);
    QVERIFY(m_panel->findChild<QLineEdit *>("m_lineEditStartIp")->isVisible());
    type("m_lineEditStartIp", "10.99.0.254");
    type("m_lineEditSubnetMask", "255.255.0.0");
    type("m_lineEditGateway", "10.99.0.1");
    type("m_lineEditPort", "8000");
    type("m_lineEditHttpPort", "80");
    type("m_lineEditAdminPassword", "Admin12345");
    m_resultLists.clear();
    QCOMPARE(press("m_btnModify"), QStringList());
    QCOMPARE(m_resultLists.size(), 1);
    QCOMPARE(m_resultLists[0], (QStringList {"", "", ""}));
    // In table order, past .255 into the next third part, each address once.
    QStringList expected {"10.99.0.254", "10.99.1.1", "10.99.1.2"};
    QStringList inTableOrder = macs;
    std::sort(inTableOrder.begin(), inTableOrder.end(),
              [this](const QString &a, const QString &b) { return rowOfMac(a) < rowOfMac(b); });
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(cell(inTableOrder[i], DeviceInfoModel::IdIPv4Address), expected[i], 5000);
        QCOMPARE(stateOf(m_state, inTableOrder[i]).value("ip").toString(), expected[i]);
        QCOMPARE(stateOf(m_state, inTableOrder[i]).value("mask").toString(), QStringLiteral("255.255.0.0"));
    }
}

// Site credentials from the device page open the ONVIF cameras; one batch from the panel then gives
// two of ours and two cameras consecutive addresses, in table order, and each device holds its own.
void TestModifyPanelLoopback::mixedBatchWithOnvifCameras()
{
    QFile file(m_dir.filePath("cameras.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList cameraMacs;
    QHash<QString, QString> serialOfMac;
    for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll()).object().value("onvif").toArray()) {
        const QJsonObject c = v.toObject();
        if (c.value("users").toArray().isEmpty())
            continue;  // the factory-state one
        const QString mac = c.value("mac").toString().replace(QLatin1Char(':'), QLatin1Char('-'));
        cameraMacs << mac;
        serialOfMac.insert(mac, c.value("serial").toString());
    }
    QVERIFY(cameraMacs.size() >= 2);
    cameraMacs = cameraMacs.mid(0, 2);
    auto *button = m_table->findChild<QPushButton *>("m_btnSiteCredentials");
    modalboxes::answer([button] { QTest::mouseClick(button, Qt::LeftButton); },
                       [](QWidget *box) {
                           box->findChild<QLineEdit *>("m_lineEditSitePassword")->setText("Admin12345");
                           static_cast<QDialog *>(box)->accept();
                       });
    // Read, their rows carry serial number and MAC, and still say what no maker vouches for.
    for (const QString &mac : qAsConst(cameraMacs)) {
        QTRY_VERIFY_WITH_TIMEOUT(rowOfMac(mac) >= 0, 10000);
        QCOMPARE(cell(mac, DeviceInfoModel::IdSerialNumber), serialOfMac.value(mac));
        QCOMPARE(cell(mac, DeviceInfoModel::IdProtocol), QStringLiteral("ONVIF (identity not verified)"));
    }
    // The cameras can move only to addresses this host has: the namespace's lo gets a subnet more.
    if (QProcess::execute("ip", {"addr", "add", "10.97.5.1/24", "dev", "lo"}) != 0)
        QSKIP("needs a network namespace of its own (root) to give lo a subnet");
    const QStringList macs {m_devices[2].mac, m_devices[4].mac, cameraMacs[0], cameraMacs[1]};  // still Admin12345
    check(macs);
    // Cameras have no device port, and keep their own web ports, where their services are.
    QVERIFY(!m_panel->findChild<QLineEdit *>("m_lineEditPort")->isEnabled());
    QVERIFY(!m_panel->findChild<QLineEdit *>("m_lineEditHttpPort")->isEnabled());
    type("m_lineEditStartIp", "10.97.5.10");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditGateway", "10.97.5.1");
    type("m_lineEditAdminPassword", "Admin12345");
    // The order the batch hands out addresses in; a camera that moves may come back as a new row.
    QStringList inTableOrder = macs;
    std::sort(inTableOrder.begin(), inTableOrder.end(),
              [this](const QString &a, const QString &b) { return rowOfMac(a) < rowOfMac(b); });
    m_resultLists.clear();
    const QStringList warnings = press("m_btnModify");
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('|'))));
    QCOMPARE(m_resultLists.size(), 1);
    QCOMPARE(m_resultLists[0], (QStringList {"", "", "", ""}));
    for (int i = 0; i < 4; ++i) {
        const QString planned = QStringLiteral("10.97.5.%1").arg(10 + i);
        QTRY_COMPARE_WITH_TIMEOUT(cell(inTableOrder[i], DeviceInfoModel::IdIPv4Address), planned, 10000);
        if (cameraMacs.contains(inTableOrder[i])) {
            QFile state(m_dir.filePath("cameras.json"));
            QVERIFY(state.open(QIODevice::ReadOnly));
            QString address;
            for (const QJsonValue &v : QJsonDocument::fromJson(state.readAll()).object().value("onvif").toArray()) {
                if (v.toObject().value("serial").toString() == serialOfMac.value(inTableOrder[i]))
                    address = v.toObject().value("address").toString();
            }
            QCOMPARE(address, planned);
        } else {
            QCOMPARE(stateOf(m_state, inTableOrder[i]).value("ip").toString(), planned);
        }
    }
}

void TestModifyPanelLoopback::batchThatDoesNotFitIsRefused()
{
    const QStringList macs {m_devices[2].mac, m_devices[4].mac, m_devices[5].mac};
    check(macs);
    type("m_lineEditStartIp", "10.99.255.253");
    type("m_lineEditSubnetMask", "255.255.0.0");
    type("m_lineEditGateway", "10.99.0.1");
    type("m_lineEditPort", "8000");
    type("m_lineEditHttpPort", "80");
    type("m_lineEditAdminPassword", "Admin12345");
    m_resultLists.clear();
    QCOMPARE(press("m_btnModify"),
             QStringList {"Only 2 of the 3 devices fit between the start address and the end of its subnet. Nothing "
                          "was changed."});
    QVERIFY(m_resultLists.isEmpty());
    QCOMPARE(stateOf(m_state, m_devices[2].mac).value("ip").toString().left(6), QStringLiteral("10.99."));
    QVERIFY(!stateOf(m_state, m_devices[2].mac).value("ip").toString().startsWith("10.99.255"));
}

void TestModifyPanelLoopback::lostAnswerAndSilentDevice()
{
    // The slow device takes the change but its answer comes after the library has given up; the
    // quick one stops answering altogether while the batch is on its way.
    const Device &slow = m_slowDevices[1];
    const Device &quick = m_devices[7];
    QVERIFY(slow.activated && quick.activated);
    check({slow.mac, quick.mac});
    type("m_lineEditStartIp", "10.97.0.10");
    type("m_lineEditSubnetMask", "255.255.255.0");
    type("m_lineEditGateway", "10.97.0.1");
    type("m_lineEditPort", "8000");
    type("m_lineEditHttpPort", "80");
    type("m_lineEditAdminPassword", "Admin12345");
    const bool slowFirst = rowOfMac(slow.mac) < rowOfMac(quick.mac);
    const int quickPosition = slowFirst ? 2 : 1;
    const qint64 pid = m_emulator.processId();
    QStringList progress;
    QMetaObject::Connection silence =
        connect(m_panel, &DeviceModifyPage::signalProgress, this, [&](int position, int total, const QString &address) {
            progress << QStringLiteral("%1/%2 %3").arg(position).arg(total).arg(address);
            if (position == quickPosition)
                ::kill(pid_t(pid), SIGSTOP);
        });
    m_resultLists.clear();
    press("m_btnModify");
    ::kill(pid_t(pid), SIGCONT);
    disconnect(silence);
    QCOMPARE(progress.size(), 2);
    QCOMPARE(m_resultLists.size(), 1);
    const QString slowResult = m_resultLists[0][slowFirst ? 0 : 1];
    const QString quickResult = m_resultLists[0][slowFirst ? 1 : 0];
    QCOMPARE(slowResult, QString());  // shown as changed: its announcement said so
    QCOMPARE(quickResult, QStringLiteral("Error2011:no answer, result unknown"));
    const QString slowAddress = QLatin1String(slowFirst ? "10.97.0.10" : "10.97.0.11");
    QCOMPARE(stateOf(m_slowState, slow.mac).value("ip").toString(), slowAddress);
    QTRY_COMPARE_WITH_TIMEOUT(cell(slow.mac, DeviceInfoModel::IdIPv4Address), slowAddress, 8000);
    // The devices of the silent emulator went offline meanwhile, and come back.
    QTRY_VERIFY_WITH_TIMEOUT(rowOfMac(quick.mac) >= 0 && rowOfMac(m_devices[0].mac) >= 0
                                 && rowOfMac(m_devices[3].mac) >= 0 && rowOfMac(m_devices[6].mac) >= 0,
                             10000);
    // The silent device was truly left alone.
    QVERIFY(!stateOf(m_state, quick.mac).value("ip").toString().startsWith("10.97."));
}

void TestModifyPanelLoopback::activateEveryNewDevice()
{
    QStringList fresh;
    for (const Device &d : m_devices) {
        if (!d.activated)
            fresh << d.mac;
    }
    QCOMPARE(fresh.size(), 3);
    for (const QString &mac : fresh)
        QCOMPARE(cell(mac, DeviceInfoModel::IdActivate), QStringLiteral("Not activated"));
    check(fresh);
    QVERIFY(m_panel->findChild<QWidget *>("m_frameActive")->isVisible());
    QTest::keyClicks(m_panel->findChild<QLineEdit *>("m_lineEditNewPassword"), QStringLiteral("Install#2026"));
    QTest::keyClicks(m_panel->findChild<QLineEdit *>("m_lineEditConfirmPassword"), QStringLiteral("Install#2026"));
    QCOMPARE(m_panel->findChild<QLabel *>("m_labelLevel")->text(), QStringLiteral("Strong"));
    m_resultLists.clear();
    QCOMPARE(press("m_btnActive"), QStringList());
    QCOMPARE(m_resultLists.size(), 1);
    QCOMPARE(m_resultLists[0], (QStringList {"", "", ""}));
    for (const QString &mac : fresh) {
        QTRY_COMPARE_WITH_TIMEOUT(cell(mac, DeviceInfoModel::IdActivate), QStringLiteral("Activated"), 5000);
        const QJsonObject state = stateOf(m_state, mac);
        QCOMPARE(state.value("act").toInt(), 0);
        QVERIFY(state.value("hash").toString().startsWith("$argon2id$"));
    }
    QVERIFY(m_panel->findChild<QLineEdit *>("m_lineEditNewPassword")->text().isEmpty());
}

void TestModifyPanelLoopback::activationWhoseAnswerIsLost()
{
    // The slow device is activated, but its answer comes after the library has given up: its
    // announcement must still turn the row "Activated", and the person be told it succeeded.
    const Device &slow = m_slowDevices[0];
    QVERIFY(!slow.activated);
    check({slow.mac});
    QVERIFY(m_panel->findChild<QWidget *>("m_frameActive")->isVisible());
    type("m_lineEditNewPassword", "Install#2026");
    type("m_lineEditConfirmPassword", "Install#2026");
    QCOMPARE(press("m_btnActive"), QStringList {"Activate Succeed."});
    QTRY_COMPARE_WITH_TIMEOUT(cell(slow.mac, DeviceInfoModel::IdActivate), QStringLiteral("Activated"), 5000);
    QCOMPARE(stateOf(m_slowState, slow.mac).value("act").toInt(), 0);
}

QTEST_MAIN(TestModifyPanelLoopback)

// "Forget Password" in the main window opens the key reset for a device that takes keys from its
// maker and the security-code restore for any other, under the cover.
void TestModifyPanelLoopback::forgetPasswordOpensTheDevicesDialog()
{
    int tried = 0;
    for (const bool keyReset : {true, false}) {
        const Device *chosen = nullptr;
        TARN_DEVICE_INFO record;
        for (const Device &d : m_devices) {
            std::memset(&record, 0, sizeof record);
            if (d.activated && DeviceStore::instance()->get(d.serial, d.mac, &record)
                && record.activationState == TARN_ACTIVATED
                && bool(record.capabilityFlags & TARN_CAP_KEY_RESET) == keyReset) {
                chosen = &d;
                break;
            }
        }
        if (!chosen)
            continue;
        ++tried;
        check({chosen->mac});
        bool covered = false;
        const QVector<modalboxes::Shown> shown = modalboxes::answer(
            [this] { QTest::mouseClick(m_panel->findChild<QPushButton *>("m_btnLostPassword"), Qt::LeftButton); },
            [this, &covered](QWidget *box) {
                covered = m_window->isCovered();
                box->close();
            });
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, keyReset ? QStringLiteral("TarnTool::ResetPasswordDialog")
                                              : QStringLiteral("TarnTool::RestorePasswordDialog"));
        QVERIFY(covered);
        QVERIFY(!m_window->isCovered());
    }
    QCOMPARE(tried, 2);
    check({});
}

#include "tst_modifypanel_lo.moc"
