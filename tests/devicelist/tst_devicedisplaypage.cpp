#include <QtTest>
#include <QAbstractItemModelTester>
#include <QAccessible>

#include <thread>

#include <QDesktopServices>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceeventqueue.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "devicerecords.h"
#include "qpx/qpxguard.h"
#include "discovery/tarnhandler.h"
#include "toolkit/ctableview.h"

using TarnTool::DeviceDisplayPage;
using TarnTool::DeviceInfoModel;
using TarnTool::DeviceEventQueue;
using TarnTool::DeviceStore;
using devicerecords::make;

// Stands in for the main window: the cover slots the page calls.
class CoverParent : public QWidget
{
    Q_OBJECT

public:
    QStringList calls;

public slots:
    void enableCover() { calls << QStringLiteral("enable"); }
    void disableCover() { calls << QStringLiteral("disable"); }
};

// Receives the URLs the page hands to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// A discovery library that only records the order of refresh calls.
namespace fake {
QStringList calls;
int none3(int, const char *, int) { return 1; }
int filter(int, const void *, unsigned int) { return 1; }
int start(TARN_DEVICE_CALLBACK, int, void *) { return 1; }
int stop() { return 1; }
int clearup() { calls << QStringLiteral("clearup"); return 1; }
int inquiry() { calls << QStringLiteral("inquiry"); return 1; }
int activate(const char *, const char *) { return 1; }
int modify(const char *, const char *, const TARN_NETWORK_PARAMS *) { return 1; }
int config(const char *, unsigned int, const void *, unsigned int, void *, unsigned int) { return 1; }
int reset(const char *, const TARN_RESET_PARAM *) { return 1; }
int resetDefault(const char *, const char *) { return 1; }
int lastError() { return 0; }
const TARN::TarnLibrary library {none3, filter, start, stop, clearup, inquiry, activate, modify, config, reset,
                                 resetDefault, lastError};
} // namespace fake

using Emission = QPair<int, QStringList>;  // page kind and the serial numbers in the list

class TestDeviceDisplayPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void devicesComeChangeAndGo();
    void duplicateMacIsDropped();
    void checkingClassifiesTheSet();
    void checkingWithoutAMouse();
    void batchesAndUnusualStates();
    void offlineRenumbersAndRecounts();
    void queuedEventsFromAnotherThread();
    void refreshDropsEventsTakenInBeforeIt();
    void refreshWhileChecked();
    void resultsRedrawFromTheStore();
    void doubleClick_data();
    void doubleClick();
    void headerDragging();
    void exportSeam();
    void hoverCursor();

private:
    DeviceInfoModel *model() const { return m_page->findChild<DeviceInfoModel *>(); }
    OrvoGUIToolkit::CTableView *table() const
    {
        return m_page->findChild<OrvoGUIToolkit::CTableView *>(QStringLiteral("m_tableViewTarn"));
    }
    QString countText() const
    {
        return m_page->findChild<QLabel *>(QStringLiteral("m_labelDeviceCountValue"))->text();
    }
    QPushButton *exportButton() const
    {
        return m_page->findChild<QPushButton *>(QStringLiteral("m_btnExportDeviceInfo"));
    }
    QString cell(int row, int id) const { return model()->item(row, model()->columnOf(id))->text(); }
    void setChecked(int row, bool on)
    {
        model()->item(row, model()->columnOf(DeviceInfoModel::IdCheck))->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    static QList<Emission> emissions(const QSignalSpy &spy);
    // Device events as the library hands them to the page, each followed by the check that the
    // table and the store still describe the same devices.
    void login(const TARN_DEVICE_INFO &r) { m_page->onDeviceLogin(r); verifyStoreAgrees(); }
    void logout(const TARN_DEVICE_INFO &r) { m_page->onDeviceLogout(r); verifyStoreAgrees(); }
    void update(const TARN_DEVICE_INFO &r) { m_page->onDeviceUpdate(r); verifyStoreAgrees(); }
    void verifyStoreAgrees();

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<CoverParent> m_parent;
    DeviceDisplayPage *m_page = nullptr;
    QScopedPointer<QSignalSpy> m_spy;
    QScopedPointer<QAbstractItemModelTester> m_tester;
};

void TestDeviceDisplayPage::initTestCase()
{
    registerDeviceMetaTypes();
}

// A whole site through the event queue, emitted on another thread as the library does: the table
// ends as one event at a time would leave it, including departures of rows that are not next to
// each other, a device that comes and goes within one batch, and the checked set recounted.
void TestDeviceDisplayPage::queuedEventsFromAnotherThread()
{
    DeviceEventQueue queue(m_page);
    QVector<TARN_DEVICE_INFO> records;
    for (int i = 0; i < 60; ++i)
        records.append(make(QStringLiteral("SN-%1").arg(59 - i, 2, 10, QLatin1Char('0')),
                            QStringLiteral("02-00-00-00-01-%1").arg(i, 2, 16, QLatin1Char('0'))));
    std::thread first([&] {
        for (const TARN_DEVICE_INFO &r : records)
            queue.onDeviceLogin(r);
    });
    first.join();
    QTRY_COMPARE(queue.pending(), 0);
    verifyStoreAgrees();
    QCOMPARE(countText(), QStringLiteral("60"));
    // Sorted by serial, the arrival order is reversed: every other departure below leaves a gap.
    m_page->onSortTable(model()->columnOf(DeviceInfoModel::IdSerialNumber));
    QCOMPARE(cell(0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-00"));
    setChecked(1, true);  // SN-01, leaves
    setChecked(2, true);  // SN-02, stays
    m_spy->clear();

    TARN_DEVICE_INFO changed = records[57];  // SN-02
    changed.eventType = TARN_EVENT_UPDATE;
    TARN::setFieldText(changed.ipv4Address, QStringLiteral("192.168.1.202"));
    TARN_DEVICE_INFO passing = make(QStringLiteral("SN-X"), QStringLiteral("02-00-00-00-02-00"));
    std::thread second([&] {
        queue.onDeviceUpdate(changed);
        for (int i = 0; i < 60; i += 2) {
            TARN_DEVICE_INFO gone = records[i];
            gone.eventType = TARN_EVENT_OFFLINE;
            queue.onDeviceLogout(gone);
        }
        queue.onDeviceLogin(passing);
        queue.onDeviceLogout(passing);
        queue.onDeviceLogout(records[0]);  // already gone: nothing happens
    });
    second.join();
    QTRY_COMPARE(queue.pending(), 0);
    verifyStoreAgrees();

    QCOMPARE(model()->rowCount(), 30);
    QCOMPARE(countText(), QStringLiteral("30"));
    QCOMPARE(DeviceStore::instance()->count(), 30);
    for (int row = 0; row < 30; ++row) {
        // Odd serials left (even arrival indexes); the even ones stay, in order. Rows from the
        // first departure down are renumbered; the row above it keeps its arrival number.
        QCOMPARE(cell(row, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-%1").arg(row * 2, 2, 10, QLatin1Char('0')));
        QCOMPARE(cell(row, DeviceInfoModel::IdNumber), row == 0 ? QStringLiteral("060") : QString::asprintf("%03d", row + 1));
    }
    QCOMPARE(cell(1, DeviceInfoModel::IdIPv4Address), QStringLiteral("192.168.1.202"));
    QCOMPARE(emissions(*m_spy).last(), Emission(MODIFY_SINGLE, {"SN-02"}));
    // Still indexed: a later change finds its row.
    changed.port = 8123;
    queue.onDeviceUpdate(changed);
    queue.flush();
    QCOMPARE(cell(1, DeviceInfoModel::IdPort).trimmed(), QStringLiteral("8123"));
}

// An arrival taken in before Refresh but handed on after it would bring back a row that the
// library has forgotten and never reports gone.
void TestDeviceDisplayPage::refreshDropsEventsTakenInBeforeIt()
{
    TARN::TarnHandler handler(fake::library);
    m_page->setDiscoveryHandler(&handler);
    DeviceEventQueue queue(m_page, nullptr, &handler);
    queue.onDeviceLogin(make(QStringLiteral("SN-OLD"), QStringLiteral("02-00-00-00-03-01")));
    TARN_DEVICE_INFO gone = make(QStringLiteral("SN-OLD"), QStringLiteral("02-00-00-00-03-01"));
    gone.eventType = TARN_EVENT_OFFLINE;
    queue.onDeviceLogout(gone);
    queue.onDeviceLogin(make(QStringLiteral("SN-OLD2"), QStringLiteral("02-00-00-00-03-02")));
    QTest::mouseClick(m_page->findChild<QPushButton *>(QStringLiteral("m_btnRefreshDeviceInfo")), Qt::LeftButton);
    QCOMPARE(queue.pending(), 3);
    QTRY_COMPARE(queue.pending(), 0);
    verifyStoreAgrees();
    QCOMPARE(model()->rowCount(), 0);
    QCOMPARE(DeviceStore::instance()->count(), 0);
    QCOMPARE(countText(), QStringLiteral("0"));

    // What comes after the refresh is shown.
    queue.onDeviceLogin(make(QStringLiteral("SN-NEW"), QStringLiteral("02-00-00-00-03-03")));
    QTRY_COMPARE(model()->rowCount(), 1);
    QCOMPARE(DeviceStore::instance()->count(), 1);
    m_page->setDiscoveryHandler(nullptr);
}

void TestDeviceDisplayPage::init()
{
    DeviceStore::instance()->clear();
    fake::calls.clear();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QFile::copy(QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"), m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    m_parent.reset(new CoverParent);
    m_page = new DeviceDisplayPage(m_parent.data(), m_dir->filePath(QStringLiteral("ColumnConfig.xml")));
    m_parent->resize(1200, 600);
    m_page->resize(1200, 600);
    m_parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_parent.data()));
    m_spy.reset(new QSignalSpy(m_page, &DeviceDisplayPage::signalCurrentSelectionModelChange));
    m_tester.reset(new QAbstractItemModelTester(model(), QAbstractItemModelTester::FailureReportingMode::QtTest));
}

void TestDeviceDisplayPage::cleanup()
{
    m_tester.reset();
    m_spy.reset();
    m_parent.reset();  // deletes the page
    m_page = nullptr;
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

QList<Emission> TestDeviceDisplayPage::emissions(const QSignalSpy &spy)
{
    QList<Emission> out;
    for (const QList<QVariant> &args : spy) {
        QStringList serials;
        for (const DeviceInfo &info : args.at(1).value<QVector<DeviceInfo>>())
            serials << info.strSerialNo;
        out << Emission(args.at(0).value<ModifyPage>(), serials);
    }
    return out;
}

// One row per stored device, each showing what the store holds for it. (Rows may be sorted, so the
// store's arrival order and the row numbers are not compared.)
void TestDeviceDisplayPage::verifyStoreAgrees()
{
    DeviceStore &store = *DeviceStore::instance();
    QPX_Guard guard(store.mutex());
    QCOMPARE(model()->rowCount(), store.count());
    for (int row = 0; row < model()->rowCount(); ++row) {
        const QString serial = cell(row, DeviceInfoModel::IdSerialNumber);
        const QString mac = cell(row, DeviceInfoModel::IdMac);
        TARN_DEVICE_INFO stored;
        QVERIFY2(store.get(serial, mac, &stored), qPrintable(serial));
        QCOMPARE(model()->findRow(serial, mac), row);
        QCOMPARE(cell(row, DeviceInfoModel::IdIPv4Address), TARN::fieldText(stored.ipv4Address));
        QCOMPARE(cell(row, DeviceInfoModel::IdActivate),
                 stored.activationState != 0 ? QStringLiteral("Not activated") : QStringLiteral("Activated"));
    }
}

void TestDeviceDisplayPage::devicesComeChangeAndGo()
{
    const TARN_DEVICE_INFO a = make(QStringLiteral("SN-A"), QStringLiteral("02-00-00-00-00-0a"), QStringLiteral("10.0.0.1"));
    const TARN_DEVICE_INFO b = make(QStringLiteral("SN-B"), QStringLiteral("02-00-00-00-00-0b"), QStringLiteral("10.0.0.2"));
    login(a);
    // The first row's check box counts as a change: the panel hears that nothing is checked.
    QCOMPARE(emissions(*m_spy), QList<Emission> {Emission(MODIFY_SINGLE, {})});
    m_spy->clear();
    login(b);
    QCOMPARE(m_spy->count(), 0);
    QCOMPARE(countText(), QStringLiteral("2"));
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(DeviceStore::instance()->count(), 2);

    TARN_DEVICE_INFO changed = b;
    TARN::setFieldText(changed.ipv4Address, QStringLiteral("10.0.0.99"));
    update(changed);
    QCOMPARE(cell(1, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.99"));
    TARN_DEVICE_INFO stored;
    QVERIFY(DeviceStore::instance()->get(QStringLiteral("SN-B"), QStringLiteral("02-00-00-00-00-0b"), &stored));
    QCOMPARE(QByteArray(stored.ipv4Address), QByteArray("10.0.0.99"));
    QCOMPARE(countText(), QStringLiteral("2"));
    QCOMPARE(m_spy->count(), 0);

    logout(a);
    QCOMPARE(countText(), QStringLiteral("1"));
    QCOMPARE(cell(0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-B"));
    QCOMPARE(cell(0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
    QCOMPARE(DeviceStore::instance()->count(), 1);
    QCOMPARE(emissions(*m_spy), QList<Emission> {Emission(MODIFY_SINGLE, {})});

    // Unknown devices change nothing.
    const TARN_DEVICE_INFO stranger = make(QStringLiteral("SN-X"), QStringLiteral("02-00-00-00-00-0f"));
    update(stranger);
    logout(stranger);
    QCOMPARE(model()->rowCount(), 1);
    QCOMPARE(DeviceStore::instance()->count(), 1);
}

void TestDeviceDisplayPage::duplicateMacIsDropped()
{
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1")));
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.2")));
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.3")));
    QCOMPARE(model()->rowCount(), 1);
    QCOMPARE(cell(0, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.1"));
    // Another spelling of the same MAC is another device.
    login(make(QStringLiteral("SN2"), QStringLiteral("02:00:00:00:00:01"), QStringLiteral("10.0.0.4")));
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(countText(), QStringLiteral("2"));
    QCOMPARE(DeviceStore::instance()->count(), 2);
}

void TestDeviceDisplayPage::checkingClassifiesTheSet()
{
    login(make(QStringLiteral("SN-NEW"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1"), TARN_NOT_ACTIVATED));
    login(make(QStringLiteral("SN-OLD"), QStringLiteral("02-00-00-00-00-02"), QStringLiteral("10.0.0.2"), TARN_ACTIVATED));
    m_spy->clear();

    setChecked(0, true);
    QVERIFY(exportButton()->isEnabled());
    setChecked(1, true);
    setChecked(0, false);
    setChecked(1, false);
    QVERIFY(!exportButton()->isEnabled());
    const QList<Emission> expected {Emission(ACTIVE_SINGLE, {"SN-NEW"}), Emission(MIXED_BATCH, {"SN-NEW", "SN-OLD"}),
                                    Emission(MODIFY_SINGLE, {"SN-OLD"}), Emission(MODIFY_SINGLE, {})};
    QCOMPARE(emissions(*m_spy), expected);

    const DeviceInfo info = m_spy->at(2).at(1).value<QVector<DeviceInfo>>().first();
    QCOMPARE(info.strIndex, QStringLiteral("002"));
    QCOMPARE(info.strDeviceType, QStringLiteral("IPC-T2"));
    QCOMPARE(info.strIPv4, QStringLiteral("10.0.0.2"));
    QCOMPARE(info.strMAC, QStringLiteral("02-00-00-00-00-02"));
    QCOMPARE(info.strResult, QStringLiteral("0"));

    // Checking and unchecking the same box emits each time: the count changes each time.
    m_spy->clear();
    setChecked(1, true);
    setChecked(1, false);
    setChecked(1, true);
    setChecked(1, false);
    QCOMPARE(m_spy->count(), 4);
    // Other cells changing do not count.
    model()->item(0, model()->columnOf(DeviceInfoModel::IdDeviceType))->setText(QStringLiteral("x"));
    QCOMPARE(m_spy->count(), 4);
}

// A keyboard or a screen reader checks a row as a click does: Space on the current row, and the
// check cell's accessible action, the cell named after its device. The page follows either way.
void TestDeviceDisplayPage::checkingWithoutAMouse()
{
    login(make(QStringLiteral("SN-A"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1"), TARN_ACTIVATED));
    login(make(QStringLiteral("SN-B"), QStringLiteral("02-00-00-00-00-02"), QStringLiteral("10.0.0.2"), TARN_ACTIVATED));
    m_spy->clear();
    const int checkColumn = model()->columnOf(DeviceInfoModel::IdCheck);
    auto state = [&](int row) { return model()->item(row, checkColumn)->checkState(); };

    QTreeView *view = table();
    QCOMPARE(view->focusPolicy(), Qt::StrongFocus);
    view->setCurrentIndex(model()->index(1, model()->columnOf(DeviceInfoModel::IdNumber)));
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(state(1), Qt::Checked);

    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(view);
    QVERIFY(face && face->tableInterface());
    QAccessibleInterface *check = face->tableInterface()->cellAt(0, checkColumn);
    QVERIFY(check && check->actionInterface());
    QCOMPARE(check->text(QAccessible::Name), QStringLiteral("Select SN-A"));
    check->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(state(0), Qt::Checked);
    QVERIFY(check->state().checked);
    QVERIFY(!view->selectionModel()->isRowSelected(0, QModelIndex()));  // Qt's own action only selected
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(state(1), Qt::Unchecked);
    const QList<Emission> expected {Emission(MODIFY_SINGLE, {"SN-B"}), Emission(MODIFY_BATCH, {"SN-A", "SN-B"}),
                                    Emission(MODIFY_SINGLE, {"SN-A"})};
    QCOMPARE(emissions(*m_spy), expected);

    // Other cells have no check to flip; every cell is found again at its index.
    QAccessibleInterface *number = face->tableInterface()->cellAt(0, model()->columnOf(DeviceInfoModel::IdNumber));
    QVERIFY(!number->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    QCOMPARE(number->text(QAccessible::Name), QStringLiteral("001"));
    QCOMPARE(face->child(face->indexOfChild(check)), check);
}

void TestDeviceDisplayPage::batchesAndUnusualStates()
{
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1"), TARN_NOT_ACTIVATED));
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02"), QStringLiteral("10.0.0.2"), TARN_NOT_ACTIVATED));
    login(make(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03"), QStringLiteral("10.0.0.3"), TARN_ACTIVATED));
    login(make(QStringLiteral("SN4"), QStringLiteral("02-00-00-00-00-04"), QStringLiteral("10.0.0.4"), TARN_ACTIVATED));
    setChecked(0, true);
    setChecked(1, true);
    m_spy->clear();
    setChecked(0, false);
    setChecked(0, true);  // back to two, both not activated
    QCOMPARE(emissions(*m_spy).last(), Emission(ACTIVE_BATCH, {"SN1", "SN2"}));
    setChecked(0, false);
    setChecked(1, false);
    setChecked(2, true);
    setChecked(3, true);
    QCOMPARE(emissions(*m_spy).last(), Emission(MODIFY_BATCH, {"SN3", "SN4"}));

    // A device missing from the store counts as activated.
    setChecked(3, false);
    DeviceStore::instance()->remove(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01")));
    m_spy->clear();
    setChecked(2, false);
    setChecked(0, true);
    QCOMPARE(emissions(*m_spy), (QList<Emission> {Emission(MODIFY_SINGLE, {}), Emission(MODIFY_SINGLE, {"SN1"})}));

    // A state the page does not know emits nothing, alone or in a set.
    setChecked(0, false);
    QVERIFY(DeviceStore::instance()->setActivated(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02"), 7));
    m_spy->clear();
    setChecked(1, true);
    QCOMPARE(m_spy->count(), 0);
    QVERIFY(exportButton()->isEnabled());
    setChecked(2, true);  // 7 and an activated one: the activated one decides
    QCOMPARE(emissions(*m_spy), QList<Emission> {Emission(MODIFY_BATCH, {"SN2", "SN3"})});
}

void TestDeviceDisplayPage::offlineRenumbersAndRecounts()
{
    QVector<TARN_DEVICE_INFO> records;
    for (const char *serial : {"SN-B", "SN-C", "SN-A"}) {
        records.append(make(QLatin1String(serial), QStringLiteral("02-00-00-00-00-%1").arg(records.size())));
        login(records.last());
    }
    m_page->onSortTable(model()->columnOf(DeviceInfoModel::IdSerialNumber));
    QCOMPARE(cell(0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-A"));
    setChecked(1, true);  // SN-B
    setChecked(2, true);  // SN-C
    m_spy->clear();

    logout(records[2]);  // SN-A, shown first
    QCOMPARE(cell(0, DeviceInfoModel::IdSerialNumber), QStringLiteral("SN-B"));
    QCOMPARE(cell(0, DeviceInfoModel::IdNumber), QStringLiteral("001"));
    QCOMPARE(cell(1, DeviceInfoModel::IdNumber), QStringLiteral("002"));
    QCOMPARE(countText(), QStringLiteral("2"));
    // Recounted even though the checked count did not change.
    QCOMPARE(emissions(*m_spy), QList<Emission> {Emission(MODIFY_BATCH, {"SN-B", "SN-C"})});
    logout(records[0]);
    QCOMPARE(emissions(*m_spy).last(), Emission(MODIFY_SINGLE, {"SN-C"}));
}

void TestDeviceDisplayPage::refreshWhileChecked()
{
    TARN::TarnHandler handler(fake::library);
    m_page->setDiscoveryHandler(&handler);
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01")));
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02")));
    setChecked(0, true);
    setChecked(1, true);
    m_spy->clear();
    QTest::mouseClick(m_page->findChild<QPushButton *>(QStringLiteral("m_btnRefreshDeviceInfo")), Qt::LeftButton);
    QCOMPARE(fake::calls, (QStringList {"clearup", "inquiry"}));
    QCOMPARE(emissions(*m_spy), QList<Emission> {Emission(MODIFY_SINGLE, {})});
    QCOMPARE(countText(), QStringLiteral("0"));
    QCOMPARE(model()->rowCount(), 0);
    QCOMPARE(DeviceStore::instance()->count(), 0);
    QVERIFY(!exportButton()->isEnabled());

    // Devices answering again refill the table; the first check after a refresh emits.
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02")));
    QCOMPARE(countText(), QStringLiteral("1"));
    setChecked(0, true);
    QCOMPARE(emissions(*m_spy).last(), Emission(MODIFY_SINGLE, {"SN2"}));
}

void TestDeviceDisplayPage::resultsRedrawFromTheStore()
{
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), QStringLiteral("10.0.0.1"), TARN_NOT_ACTIVATED));
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02"), QStringLiteral("10.0.0.2"), TARN_NOT_ACTIVATED));
    DeviceStore &store = *DeviceStore::instance();
    TARN_NETWORK_PARAMS params;
    for (const char *serial : {"SN1", "SN2"}) {
        const QString mac = QStringLiteral("02-00-00-00-00-0") + QLatin1String(serial).right(1);
        QVERIFY(store.getNetParam(QLatin1String(serial), mac, &params));
        TARN::setFieldText(params.ipv4Address, QStringLiteral("10.1.1.") + QLatin1String(serial).right(1));
        QVERIFY(store.setNetParam(QLatin1String(serial), mac, params));
    }
    DeviceInfo ok, failed;
    ok.strSerialNo = QStringLiteral("SN1");
    ok.strMAC = QStringLiteral("02-00-00-00-00-01");
    ok.strResult = QStringLiteral("Succeed");
    failed = ok;
    failed.strSerialNo = QStringLiteral("SN2");
    failed.strMAC = QStringLiteral("02-00-00-00-00-02");
    failed.strResult = QStringLiteral("Timed out");
    m_spy->clear();
    m_page->onDevicesModifyResult({ok, failed});
    QCOMPARE(cell(0, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.1.1.1"));
    QCOMPARE(cell(1, DeviceInfoModel::IdIPv4Address), QStringLiteral("10.0.0.2"));
    QCOMPARE(m_spy->count(), 0);

    setChecked(0, true);
    QCOMPARE(emissions(*m_spy).last(), Emission(ACTIVE_SINGLE, {"SN1"}));
    QVERIFY(store.setActivated(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), TARN_ACTIVATED));
    m_page->onDevicesActiveResult({ok});
    QCOMPARE(cell(0, DeviceInfoModel::IdActivate), QStringLiteral("Activated"));
    QCOMPARE(emissions(*m_spy).last(), Emission(MODIFY_SINGLE, {"SN1"}));
}

void TestDeviceDisplayPage::doubleClick_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("httpPort");
    QTest::addColumn<QString>("portText");  // written over the port cell when not empty
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("opened");
    const int ip = DeviceInfoModel::IdIPv4Address;
    QTest::newRow("address") << "10.0.0.5" << 8080 << "" << ip << "http://10.0.0.5:8080";
    QTest::newRow("N/A opens port 80") << "10.0.0.5" << 0 << "" << ip << "http://10.0.0.5:80";
    QTest::newRow("lowest port") << "10.0.0.5" << 1 << "" << ip << "http://10.0.0.5:1";
    QTest::newRow("highest port") << "10.0.0.5" << 65535 << "" << ip << "http://10.0.0.5:65535";
    QTest::newRow("port past the range") << "10.0.0.5" << 80 << "65536" << ip << "http://10.0.0.5:80";
    QTest::newRow("negative port") << "10.0.0.5" << 80 << "-8080" << ip << "http://10.0.0.5:80";
    QTest::newRow("port with text") << "10.0.0.5" << 80 << "81/x" << ip << "http://10.0.0.5:80";
    QTest::newRow("another column") << "10.0.0.5" << 80 << "" << int(DeviceInfoModel::IdSerialNumber) << "";
    QTest::newRow("mask column") << "10.0.0.5" << 80 << "" << int(DeviceInfoModel::IdIPv4Mask) << "";
    QTest::newRow("not an address") << "evil.example" << 80 << "" << ip << "";
    QTest::newRow("address with a path") << "1.2.3.4/x?y" << 80 << "" << ip << "";
    QTest::newRow("empty") << "" << 80 << "" << ip << "";
}

void TestDeviceDisplayPage::doubleClick()
{
    QFETCH(QString, address);
    QFETCH(int, httpPort);
    QFETCH(QString, portText);
    QFETCH(int, column);
    QFETCH(QString, opened);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    TARN_DEVICE_INFO r = make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01"), address);
    r.httpPort = quint16(httpPort);
    login(r);
    if (!portText.isEmpty())
        model()->item(0, model()->columnOf(DeviceInfoModel::IdHttpPort))->setText(portText);

    const QModelIndex index = model()->index(0, model()->columnOf(column));
    const QPoint centre = table()->visualRect(index).center();
    // A real double-click: the press that selects, then the second press that doubles it.
    QTest::mousePress(table()->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseRelease(table()->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    if (opened.isEmpty())
        QVERIFY(catcher.urls.isEmpty());
    else
        QCOMPARE(catcher.urls, QList<QUrl> {QUrl(opened)});
}

void TestDeviceDisplayPage::headerDragging()
{
    const QString path = m_dir->filePath(QStringLiteral("ColumnConfig.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QHeaderView *header = table()->header();

    m_page->onHeaderPress(0);
    QVERIFY(!header->sectionsMovable());
    m_page->onHeaderPress(1);
    QVERIFY(!header->sectionsMovable());

    // Onto the front: snapped back, file untouched.
    m_page->onHeaderPress(5);
    QVERIFY(header->sectionsMovable());
    header->moveSection(5, 1);
    QCOMPARE(header->visualIndex(5), 5);
    QCOMPARE(header->visualIndex(1), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();

    // Elsewhere: recorded.
    m_page->onHeaderPress(3);
    header->moveSection(3, 6);
    QCOMPARE(header->visualIndex(3), 6);
    DeviceInfoModel next(nullptr, path);
    QCOMPARE(next.columnOf(3), 6);
    QCOMPARE(next.columnOf(4), 3);
    QCOMPARE(next.columnOf(6), 5);
    QCOMPARE(model()->columnOf(3), 3);  // this run's columns stay
}

void TestDeviceDisplayPage::exportSeam()
{
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01")));
    login(make(QStringLiteral("SN2"), QStringLiteral("02-00-00-00-00-02")));
    login(make(QStringLiteral("SN3"), QStringLiteral("02-00-00-00-00-03")));
    setChecked(0, true);
    setChecked(2, true);
    QVERIFY(exportButton()->isEnabled());

    // By default the export dialog opens, the main page covered while it is up.
    QString opened;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            opened = QString::fromLatin1(dialog->metaObject()->className());
            dialog->reject();
        }
    });
    poll.start(20);
    QTest::mouseClick(exportButton(), Qt::LeftButton);
    poll.stop();
    QCOMPARE(opened, QStringLiteral("TarnTool::DevicesInfoSavePage"));
    QCOMPARE(m_parent->calls, (QStringList {"enable", "disable"}));
    m_parent->calls.clear();

    QVector<int> handed;
    DeviceInfoModel *handedModel = nullptr;
    QPointer<QDialog> shown;
    QStringList coverWhileOpen;
    m_page->setExportDialogFactory([&](DeviceInfoModel *model, const QVector<int> &rows) {
        handedModel = model;
        handed = rows;
        auto dialog = std::make_unique<QDialog>();
        shown = dialog.get();
        QTimer::singleShot(0, dialog.get(), [&, d = dialog.get()] {
            coverWhileOpen = m_parent->calls;
            d->accept();
        });
        return dialog;
    });
    QTest::mouseClick(exportButton(), Qt::LeftButton);
    QCOMPARE(handedModel, model());
    QCOMPARE(handed, (QVector<int> {0, 2}));
    QCOMPARE(coverWhileOpen, QStringList {"enable"});
    QCOMPARE(m_parent->calls, (QStringList {"enable", "disable"}));
    QVERIFY(shown.isNull());
}

void TestDeviceDisplayPage::hoverCursor()
{
    login(make(QStringLiteral("SN1"), QStringLiteral("02-00-00-00-00-01")));
    QWidget *viewport = table()->viewport();
    const QPoint onAddress = table()->visualRect(model()->index(0, model()->columnOf(DeviceInfoModel::IdIPv4Address))).center();
    const QPoint onSerial = table()->visualRect(model()->index(0, model()->columnOf(DeviceInfoModel::IdSerialNumber))).center();
    QVERIFY(viewport->rect().contains(onAddress));

    QHoverEvent toAddress(QEvent::HoverMove, onAddress, onSerial);
    QApplication::sendEvent(viewport, &toAddress);
    QCOMPARE(m_page->cursor().shape(), Qt::PointingHandCursor);
    QHoverEvent toSerial(QEvent::HoverMove, onSerial, onAddress);
    QApplication::sendEvent(viewport, &toSerial);
    QCOMPARE(m_page->cursor().shape(), Qt::ArrowCursor);
    // Positions on the view itself are measured from its frame, above the header.
    const QPoint viaView = viewport->mapTo(table(), onAddress);
    QHoverEvent onView(QEvent::HoverMove, viaView, viaView);
    QApplication::sendEvent(table(), &onView);
    QCOMPARE(m_page->cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TestDeviceDisplayPage)
#include "tst_devicedisplaypage.moc"
