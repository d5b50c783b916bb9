#include <QtTest>

#include <cstring>


#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>

#include "devicecollector.h"
#include "wiretap.h"
#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"

using TarnTool::DeviceDisplayPage;
using TarnTool::DeviceInfoModel;
using TarnTool::DeviceStore;

// Stands in for the main window and its cover slots.
class CoverParent : public QWidget
{
    Q_OBJECT

public slots:
    void enableCover() {}
    void disableCover() {}
};

// The display page fed by the real library from the device emulator, wired as the main window
// wires it: the count and the rows follow devices that come, change and go.
class TestDisplayPageLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void devicesCome();
    void aDeviceChanges();
    void refreshRefills();
    void devicesGo();

private:
    int ownRows() const;
    int rowOfMac(const QString &mac) const;
    QString countText() const
    {
        return m_page->findChild<QLabel *>(QStringLiteral("m_labelDeviceCountValue"))->text();
    }

    QTemporaryDir m_dir;
    QProcess m_emulator;
    QScopedPointer<CoverParent> m_parent;
    DeviceDisplayPage *m_page = nullptr;
    DeviceInfoModel *m_model = nullptr;
    QStringList m_macs;     // the emulator's devices
    QString m_activatedMac;
    QString m_activatedSerial;
    bool m_private = false;  // on a loopback of our own, where no other emulator can answer
};

static const int kDevices = 5;

void TestDisplayPageLoopback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Run through scripts/isolated.sh, the test has a loopback of its own where emulators of
    // parallel runs cannot add to the count.
    m_private = qgetenv("TARN_ISOLATED") == "1";
    if (!m_private)
        qWarning("running on the shared loopback, counting only this emulator's devices");
    qputenv("TARN_IFACES", "lo");

    const QString state = m_dir.filePath(QStringLiteral("devices.json"));
    QVERIFY(startEmulator(m_emulator, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                       QString::number(kDevices), QStringLiteral("--seed"), QStringLiteral("4242"),
                                       QStringLiteral("--announce-s"), QStringLiteral("1"), QStringLiteral("--state"), state}));
    QTRY_VERIFY(QFileInfo(state).size() > 0);
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    for (const QJsonValue &device : QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray()) {
        m_macs << device.toObject().value(QStringLiteral("mac")).toString();
        if (device.toObject().value(QStringLiteral("act")).toInt() == 0 && m_activatedMac.isEmpty()) {
            m_activatedMac = m_macs.last();
            m_activatedSerial = device.toObject().value(QStringLiteral("sn")).toString();
        }
    }
    QCOMPARE(m_macs.size(), kDevices);
    QVERIFY(!m_activatedMac.isEmpty());

    registerDeviceMetaTypes();
    DeviceStore::instance()->clear();
    QFile::copy(QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"), m_dir.filePath(QStringLiteral("ColumnConfig.xml")));
    m_parent.reset(new CoverParent);
    m_page = new DeviceDisplayPage(m_parent.data(), m_dir.filePath(QStringLiteral("ColumnConfig.xml")));
    m_model = m_page->findChild<DeviceInfoModel *>();
    m_parent->show();

    TARN::TarnHandler *handler = TARN::TarnHandler::instance();
    connect(handler, &TARN::TarnHandler::signalDeviceOnline, m_page, &DeviceDisplayPage::onDeviceLogin);
    connect(handler, &TARN::TarnHandler::signalDeviceOffline, m_page, &DeviceDisplayPage::onDeviceLogout);
    connect(handler, &TARN::TarnHandler::signalDeviceUpdate, m_page, &DeviceDisplayPage::onDeviceUpdate);
    QVERIFY(handler->start());
}

void TestDisplayPageLoopback::cleanupTestCase()
{
    if (m_page)
        TARN::TarnHandler::instance()->stop();
    stopEmulator(m_emulator);
    m_parent.reset();
}

int TestDisplayPageLoopback::rowOfMac(const QString &mac) const
{
    const int column = m_model->columnOf(DeviceInfoModel::IdMac);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row, column)->text() == mac)
            return row;
    }
    return -1;
}

int TestDisplayPageLoopback::ownRows() const
{
    int n = 0;
    for (const QString &mac : m_macs)
        n += rowOfMac(mac) >= 0;
    return n;
}

void TestDisplayPageLoopback::devicesCome()
{
    QTRY_COMPARE_WITH_TIMEOUT(ownRows(), kDevices, 8000);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
    QCOMPARE(DeviceStore::instance()->count(), m_model->rowCount());
    if (m_private)
        QCOMPARE(countText(), QString::number(kDevices));
    // Repeated announcements add nothing: each device announces itself again, and the page has had
    // the time to take it.
    WireTap tap;
    QVERIFY(tap.ok());
    std::vector<std::string> macs;
    for (const QString &mac : m_macs)
        macs.push_back(mac.toStdString());
    const std::vector<int> mark = tap.announcements(macs);
    QTRY_VERIFY_WITH_TIMEOUT(tap.announcedSince(macs, mark), 8000);
    QTest::qWait(kTapLeadMs);
    QCOMPARE(ownRows(), kDevices);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
}

void TestDisplayPageLoopback::aDeviceChanges()
{
    TARN_NETWORK_PARAMS params;
    std::memset(&params, 0, sizeof params);
    QVERIFY(DeviceStore::instance()->getNetParam(m_activatedSerial, m_activatedMac, &params));
    TARN::setFieldText(params.ipv4Address, QStringLiteral("10.77.0.199"));
    TARN::setFieldText(params.ipv4SubnetMask, QStringLiteral("255.255.255.0"));
    TARN::setFieldText(params.ipv4Gateway, QStringLiteral("10.77.0.1"));
    params.httpPort = 8081;
    params.dhcpEnabled = 0;
    QVERIFY2(TARN::TarnHandler::instance()->modifyDeviceNetParam(m_activatedMac.toLatin1(), "Admin12345", params),
             qPrintable(QString::number(TARN::TarnHandler::instance()->getLastError())));

    auto cell = [this](int id) {
        const int row = rowOfMac(m_activatedMac);
        return row < 0 ? QString() : m_model->item(row, m_model->columnOf(id))->text();
    };
    QTRY_COMPARE_WITH_TIMEOUT(cell(DeviceInfoModel::IdIPv4Address), QStringLiteral("10.77.0.199"), 5000);
    QCOMPARE(cell(DeviceInfoModel::IdHttpPort), QStringLiteral("8081"));
    QCOMPARE(ownRows(), kDevices);
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get(m_activatedSerial, m_activatedMac, &stored));
    QCOMPARE(TARN::fieldText(stored.ipv4Address), QStringLiteral("10.77.0.199"));
}

void TestDisplayPageLoopback::refreshRefills()
{
    QTest::mouseClick(m_page->findChild<QPushButton *>(QStringLiteral("m_btnRefreshDeviceInfo")), Qt::LeftButton);
    QCOMPARE(countText(), QStringLiteral("0"));
    QCOMPARE(m_model->rowCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ownRows(), kDevices, 8000);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
    // An announcement the emulator queued before the change may still be on its way after the
    // refresh and comes in first; the next one brings the address back.
    auto address = [this] {
        const int row = rowOfMac(m_activatedMac);
        return row < 0 ? QString() : m_model->item(row, m_model->columnOf(DeviceInfoModel::IdIPv4Address))->text();
    };
    QTRY_COMPARE_WITH_TIMEOUT(address(), QStringLiteral("10.77.0.199"), 5000);
}

void TestDisplayPageLoopback::devicesGo()
{
    stopEmulator(m_emulator);  // every device says goodbye
    QTRY_COMPARE_WITH_TIMEOUT(ownRows(), 0, 8000);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
    if (m_private)
        QCOMPARE(countText(), QStringLiteral("0"));
    for (const QString &mac : m_macs) {
        QPX_Guard guard(DeviceStore::instance()->mutex());
        QVERIFY(!DeviceStore::instance()->containsMac(mac));
    }
}

QTEST_MAIN(TestDisplayPageLoopback)
#include "tst_devicedisplaypage_lo.moc"
