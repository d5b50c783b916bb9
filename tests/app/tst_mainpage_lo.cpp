#include <QtTest>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QDialog>
#include <functional>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>

#include "../integration/devicecollector.h"
#include "../integration/wiretap.h"
#include "app/tarntoolmainpage.h"
#include "aptui/pinbutton.h"
#include "configpanel/devicemodifypage.h"
#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "discovery/tarnhandler.h"

using TarnTool::DeviceDisplayPage;
using TarnTool::DeviceInfoModel;
using TarnTool::DeviceStore;
using TarnTool::TARNToolMainPage;

namespace {

// A library whose start fails, as when no interface can be opened.
namespace failing {
int setLogToFile(int, const char *, int) { return 1; }
int setDeviceFilterRule(int, const void *, unsigned int) { return 1; }
int start(TARN_DEVICE_CALLBACK, int, void *) { return 0; }
int stop() { return 1; }
int clearup() { return 1; }
int sendInquiry() { return 0; }
int activateDevice(const char *, const char *) { return 0; }
int modifyDeviceNetParam(const char *, const char *, const TARN_NETWORK_PARAMS *) { return 0; }
int getDeviceConfig(const char *, unsigned int, const void *, unsigned int, void *, unsigned int) { return 0; }
int resetPasswd(const char *, const TARN_RESET_PARAM *) { return 0; }
int resetDefaultPasswd(const char *, const char *) { return 0; }
int getLastError() { return 2000; }
const TARN::TarnLibrary library {setLogToFile, setDeviceFilterRule, start,  stop,        clearup,           sendInquiry,
                                 activateDevice, modifyDeviceNetParam, getDeviceConfig, resetPasswd, resetDefaultPasswd,
                                 getLastError};
} // namespace failing

// Answers the next modal dialog that opens: records its texts, then accepts or rejects it.
struct ModalAnswer
{
    QStringList texts;
    bool seen = false;
    std::function<void()> whileOpen;  // runs while the dialog is up, before it is answered

    void arm(bool accept)
    {
        QTimer::singleShot(0, qApp, [this, accept] { poll(accept, 100); });
    }

private:
    void poll(bool accept, int triesLeft)
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0)
                QTimer::singleShot(50, qApp, [this, accept, triesLeft] { poll(accept, triesLeft - 1); });
            return;
        }
        seen = true;
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            texts << label->text();
        texts << dialog->windowTitle();
        if (whileOpen)
            whileOpen();
        accept ? dialog->accept() : dialog->reject();
    }
};

} // namespace

// The main window as a person meets it, fed by the real library from two emulators on the
// loopback: every device in the table, a device that leaves, the panel folded away, help, closing,
// and a library that cannot start.
class TestMainPageLoopback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyDeviceShown();
    void aDeviceLeaves();
    void pinFoldsThePanel();
    void helpKeyAsksForTheManual();
    void everyControlHasAName();
    void closingAsksFirst();
    void discoveryThatCannotStart();

private:
    int rowOfMac(const QString &mac) const;
    int rowsOf(const QStringList &macs) const;
    QString countText() const
    {
        return m_window->displayPage()->findChild<QLabel *>(QStringLiteral("m_labelDeviceCountValue"))->text();
    }
    static QStringList macsIn(const QString &stateFile);

    QTemporaryDir m_dir;
    QProcess m_many;
    QProcess m_single;
    QStringList m_manyMacs;
    QStringList m_singleMacs;
    QScopedPointer<TARNToolMainPage> m_window;
    DeviceInfoModel *m_model = nullptr;
    bool m_private = false;
};

static const int kDevices = 7;

QStringList TestMainPageLoopback::macsIn(const QString &stateFile)
{
    QFile file(stateFile);
    QStringList macs;
    if (!file.open(QIODevice::ReadOnly))
        return macs;
    const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue &device : devices)
        macs << device.toObject().value(QStringLiteral("mac")).toString();
    return macs;
}

void TestMainPageLoopback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_private = qgetenv("TARN_ISOLATED") == "1";
    qputenv("TARN_IFACES", "lo");
    // The main window reads its settings and manual from the working folder; start in an empty one.
    QVERIFY(QDir::setCurrent(m_dir.path()));

    const QString manyState = m_dir.filePath(QStringLiteral("many.json"));
    const QString singleState = m_dir.filePath(QStringLiteral("single.json"));
    QVERIFY(startEmulator(m_many, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                   QString::number(kDevices), QStringLiteral("--seed"), QStringLiteral("71"),
                                   QStringLiteral("--announce-s"), QStringLiteral("1"), QStringLiteral("--state"), manyState}));
    QVERIFY(startEmulator(m_single, {QStringLiteral("--iface"), QStringLiteral("lo"), QStringLiteral("--count"),
                                     QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("72"),
                                     QStringLiteral("--announce-s"), QStringLiteral("1"), QStringLiteral("--state"), singleState}));
    QTRY_COMPARE(macsIn(manyState).size(), kDevices);
    QTRY_COMPARE(macsIn(singleState).size(), 1);
    m_manyMacs = macsIn(manyState);
    m_singleMacs = macsIn(singleState);
    QVERIFY(!m_manyMacs.contains(m_singleMacs.first()));

    QVERIFY(QFile::copy(QStringLiteral(TARN_BIN_DIR "/ColumnConfig.xml"), m_dir.filePath(QStringLiteral("ColumnConfig.xml"))));
    DeviceStore::instance()->clear();
    m_window.reset(new TARNToolMainPage(nullptr, TARN::TarnHandler::instance(),
                                        m_dir.filePath(QStringLiteral("ColumnConfig.xml"))));
    m_window->resize(1365, 768);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    QVERIFY(TARN::TarnHandler::instance()->isStarted());
    m_model = m_window->displayPage()->findChild<DeviceInfoModel *>();
    QVERIFY(m_model);
}

void TestMainPageLoopback::cleanupTestCase()
{
    m_window.reset();
    TARN::TarnHandler::instance()->stop();
    stopEmulator(m_many);
    stopEmulator(m_single);
}

int TestMainPageLoopback::rowOfMac(const QString &mac) const
{
    const int column = m_model->columnOf(DeviceInfoModel::IdMac);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row, column)->text() == mac)
            return row;
    }
    return -1;
}

int TestMainPageLoopback::rowsOf(const QStringList &macs) const
{
    int n = 0;
    for (const QString &mac : macs)
        n += rowOfMac(mac) >= 0;
    return n;
}

void TestMainPageLoopback::everyDeviceShown()
{
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf(m_manyMacs) + rowsOf(m_singleMacs), kDevices + 1, 10000);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
    if (m_private)
        QCOMPARE(m_model->rowCount(), kDevices + 1);
    // Announcements keep coming; nothing is shown twice: each device announces itself again, and
    // the window has had the time to take it.
    WireTap tap;
    QVERIFY(tap.ok());
    std::vector<std::string> macs;
    for (const QString &mac : m_manyMacs + m_singleMacs)
        macs.push_back(mac.toStdString());
    const std::vector<int> mark = tap.announcements(macs);
    QTRY_VERIFY_WITH_TIMEOUT(tap.announcedSince(macs, mark), 8000);
    QTest::qWait(kTapLeadMs);
    QCOMPARE(rowsOf(m_manyMacs) + rowsOf(m_singleMacs), kDevices + 1);
    QCOMPARE(countText(), QString::number(m_model->rowCount()));
}

void TestMainPageLoopback::aDeviceLeaves()
{
    const int before = m_model->rowCount();
    stopEmulator(m_single);  // says goodbye
    QTRY_COMPARE_WITH_TIMEOUT(rowOfMac(m_singleMacs.first()), -1, 8000);
    QCOMPARE(m_model->rowCount(), before - 1);
    QCOMPARE(countText(), QString::number(before - 1));
    QCOMPARE(rowsOf(m_manyMacs), kDevices);
}

void TestMainPageLoopback::pinFoldsThePanel()
{
    auto *pin = m_window->findChild<aptui::PinButton *>();
    QVERIFY(pin);
    QWidget *panel = m_window->modifyPage();
    QVERIFY(panel->isVisible());
    const int tableWidth = m_window->displayPage()->width();
    const int pinX = pin->x();
    // Unfolded, the pin stands on the panel's left edge.
    QCOMPARE(pinX, m_window->width() - 20 - panel->width() + 1);

    QTest::mouseClick(pin, Qt::LeftButton);
    QTRY_VERIFY(!panel->isVisible());
    QCOMPARE(pin->objectName(), QStringLiteral("m_pSpreadButton"));
    // The table takes the panel's room, less the 10-pixel strip the folded pin stands on.
    QTRY_VERIFY(m_window->displayPage()->width() > tableWidth);
    QVERIFY(pin->x() > pinX);
    QCOMPARE(pin->x(), m_window->width() - 20 - 11);

    QTest::mouseClick(pin, Qt::LeftButton);
    QTRY_VERIFY(panel->isVisible());
    QCOMPARE(pin->objectName(), QStringLiteral("m_pUnSpreadButton"));
    QTRY_COMPARE(m_window->displayPage()->width(), tableWidth);
    QCOMPARE(pin->x(), pinX);
}

void TestMainPageLoopback::helpKeyAsksForTheManual()
{
    QSignalSpy help(m_window.data(), &TARNToolMainPage::signalGetHelp);
    ModalAnswer answer;
    bool coveredMeanwhile = false;
    answer.whileOpen = [&] { coveredMeanwhile = m_window->isCovered(); };
    answer.arm(true);
    QTest::keyClick(m_window.data(), Qt::Key_F1);
    QCOMPARE(help.count(), 1);
    // No manual in the working folder: the person is told so, under the cover.
    QVERIFY(answer.seen);
    QVERIFY2(answer.texts.contains(QStringLiteral("No user manual found.")), qPrintable(answer.texts.join('|')));
    QVERIFY(coveredMeanwhile);
    QVERIFY(!m_window->isCovered());
}

// What a screen reader (or a test through the accessibility interface) calls each control a person
// can use: the window's buttons, fields and the table, on every view of the panel.
void TestMainPageLoopback::everyControlHasAName()
{
    QStringList unnamed;
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
            || qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractItemView *>(widget);
        // A table's header is read as part of the table.
        if (!control || qobject_cast<QHeaderView *>(widget))
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(widget->objectName(), QLatin1String(widget->metaObject()->className()));
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestMainPageLoopback::closingAsksFirst()
{
    ModalAnswer no;
    no.arm(false);
    QVERIFY(!m_window->close());
    QVERIFY(no.seen);
    QVERIFY2(no.texts.contains(QStringLiteral("Exit the TARN software?")), qPrintable(no.texts.join('|')));
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isCovered());

    ModalAnswer yes;
    yes.arm(true);
    QVERIFY(m_window->close());
    QVERIFY(yes.seen);
    QVERIFY(!m_window->isVisible());
}

void TestMainPageLoopback::discoveryThatCannotStart()
{
    TARN::TarnHandler handler(failing::library);
    ModalAnswer answer;
    answer.arm(true);
    TARNToolMainPage window(nullptr, &handler, m_dir.filePath(QStringLiteral("ColumnConfig.xml")));
    QVERIFY(answer.seen);
    QVERIFY2(answer.texts.contains(QStringLiteral("Initialization failed.")), qPrintable(answer.texts.join('|')));
    QVERIFY(!handler.isStarted());
    // The window still comes up and works, without devices.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("m_labelDeviceCountValue"))->text(), QStringLiteral("0"));
    QTest::mouseClick(window.findChild<aptui::PinButton *>(), Qt::LeftButton);
    QTRY_VERIFY(!window.modifyPage()->isVisible());
}

QTEST_MAIN(TestMainPageLoopback)
#include "tst_mainpage_lo.moc"
