#include <QtTest>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include "aptui/aboutdialog.h"
#include "aptui/cdlgabout.h"
#include "aptui/widget.h"
#include "kittest.h"

using kittest::child;

namespace {
bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("%PDF-1.4\n") > 0;
}

struct HintSeen {
    bool shown = false;
    QString objectName;
    QString title;
    QString text;
    QSize size;
    bool bottomVisible = true;
};

// Records the hint box the next modal turns out to be, then closes it.
void recordNextHint(HintSeen *seen)
{
    kittest::onNextModal([seen](QWidget *modal) {
        seen->shown = true;
        seen->objectName = modal->objectName();
        seen->title = modal->windowTitle();
        seen->text = child<QLabel>(modal, "m_labelNULL")->text();
        seen->size = modal->size();
        seen->bottomVisible = child(modal, "m_BaseDialogBottom")->isVisible();
        modal->close();
    });
}
} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buildNumber_data();
    void buildNumber();
    void panelShape();
    void panelSignals();
    void aboutDialogTexts();

    void helpOpensTheManual_data();
    void helpOpensTheManual();
    void helpReportsAMissingManual_data();
    void helpReportsAMissingManual();
    void cornerButtonAsksForHelp();

private:
    QString m_oldCwd;
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestAbout::init()
{
    m_oldCwd = QDir::currentPath();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestAbout::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestAbout::buildNumber_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<uint>("number");
    QTest::newRow("two-digit day") << "Nov 13 2017" << 20171113u;
    QTest::newRow("padded day") << "Jan  3 2020" << 20200103u;
    QTest::newRow("last day") << "Dec 31 1999" << 19991231u;
    QTest::newRow("May") << "May 09 2016" << 20160509u;
    QTest::newRow("unknown month") << "Foo 13 2017" << 0u;
    QTest::newRow("lower-case month") << "nov 13 2017" << 0u;
    QTest::newRow("too short") << "Nov 13" << 0u;
    QTest::newRow("empty") << "" << 0u;
    QTest::newRow("no day") << "Nov xx 2017" << 0u;
}

void TestAbout::buildNumber()
{
    QFETCH(QString, date);
    QFETCH(uint, number);
    QCOMPARE(aptui::CDlgAbout::buildNumber(date), number);
}

void TestAbout::panelShape()
{
    aptui::CDlgAbout about;
    aptui::Widget *panel = about.panel();
    QVERIFY(panel);
    QCOMPARE(about.defaultWidget(), panel);
    QCOMPARE(panel->objectName(), QStringLiteral("AboutDialog_ID_FX_CANNOT_BE_MULTI"));
    QCOMPARE(panel->windowTitle(), QStringLiteral("About"));
    QCOMPARE(panel->minimumSize(), QSize(290, 134));
    QCOMPARE(panel->maximumSize(), QSize(290, 134));
    for (const char *name : {"AboutWidget", "m_conerBtn", "SoftIcon", "m_labNameValue",
                             "m_labVersionValue", "aboutLine1", "aboutLine2", "aboutbtn1", "aboutbtn2"})
        QVERIFY2(child(panel, name), name);

    const uint build = aptui::CDlgAbout::buildNumber(QStringLiteral(__DATE__));
    QVERIFY(build > 20200000u);
    QCOMPARE(child<QLabel>(panel, "m_labVersionValue")->text(),
             QStringLiteral(" v2.0.0.3 Build") + QString::number(build));
    QVERIFY(!child<QLabel>(panel, "SoftIcon")->pixmap(Qt::ReturnByValue).isNull());
}

void TestAbout::panelSignals()
{
    aptui::CDlgAbout about;
    QSignalSpy one(&about, &aptui::CDlgAbout::siganlBtn1Clicked);
    QSignalSpy two(&about, &aptui::CDlgAbout::siganlBtn2Clicked);
    QSignalSpy corner(&about, &aptui::CDlgAbout::signalConerBtnClicked);
    child<QPushButton>(about.panel(), "aboutbtn1")->click();
    child<QPushButton>(about.panel(), "aboutbtn2")->click();
    child<QPushButton>(about.panel(), "aboutbtn2")->click();
    child<QPushButton>(about.panel(), "m_conerBtn")->click();
    QCOMPARE(one.count(), 1);
    QCOMPARE(two.count(), 2);
    QCOMPARE(corner.count(), 1);
}

void TestAbout::aboutDialogTexts()
{
    AboutDialog about;
    QWidget *panel = about.panel();
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QCOMPARE(child<QLabel>(panel, "m_labNameValue")->text(), QStringLiteral("Name: TARN"));
    QCOMPARE(child<QLabel>(panel, "m_labVersionValue")->text(),
             QStringLiteral("Version: v3.0.0.1build20160531_050"));
    QCOMPARE(child<QPushButton>(panel, "m_conerBtn")->text(), QStringLiteral("User Help"));
    QVERIFY(child(panel, "m_conerBtn")->isVisible());
    QVERIFY(!child(panel, "aboutbtn1")->isVisible());
    QVERIFY(!child(panel, "aboutLine2")->isVisible());
}

void TestAbout::helpOpensTheManual_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("file");
    QTest::newRow("English") << 0 << "TARN User Manual.pdf";
    QTest::newRow("Chinese") << 1 << "TARN用户使用手册.pdf";
}

void TestAbout::helpOpensTheManual()
{
    QFETCH(int, language);
    QFETCH(QString, file);
    QVERIFY(touch(m_dir->filePath(file)));
    QVERIFY(QDir::setCurrent(m_dir->path()));

    AboutDialog about;
    QList<QUrl> opened;
    about.setLanguageSource([language] { return language; });
    about.setUrlOpener([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    QSignalSpy cover(&about, &AboutDialog::signalCover);
    QVERIFY(about.onGetHelp());
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().isLocalFile());
    QCOMPARE(QFileInfo(opened.first().toLocalFile()).canonicalFilePath(),
             QFileInfo(m_dir->filePath(file)).canonicalFilePath());
    QCOMPARE(cover.count(), 0);
}

void TestAbout::helpReportsAMissingManual_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("present");
    QTest::addColumn<bool>("fromOtherDir");
    QTest::addColumn<bool>("openerSucceeds");

    QTest::newRow("Chinese asked, English present") << 1 << "TARN User Manual.pdf" << false << true;
    QTest::newRow("English asked, none present") << 0 << "" << false << true;
    QTest::newRow("started from another folder") << 0 << "TARN User Manual.pdf" << true << true;
    QTest::newRow("other language") << 2 << "TARN User Manual.pdf" << false << true;
    QTest::newRow("viewer cannot open it") << 0 << "TARN User Manual.pdf" << false << false;
}

void TestAbout::helpReportsAMissingManual()
{
    QFETCH(int, language);
    QFETCH(QString, present);
    QFETCH(bool, fromOtherDir);
    QFETCH(bool, openerSucceeds);

    if (!present.isEmpty())
        QVERIFY(touch(m_dir->filePath(present)));
    QTemporaryDir other;
    QVERIFY(QDir::setCurrent(fromOtherDir ? other.path() : m_dir->path()));

    AboutDialog about;
    about.setLanguageSource([language] { return language; });
    about.setUrlOpener([openerSucceeds](const QUrl &) { return openerSucceeds; });
    QStringList order;
    connect(&about, &AboutDialog::signalCover, this, [&order] {
        order << QStringLiteral("cover") << (QApplication::activeModalWidget() ? "modal" : "none");
    });
    connect(&about, &AboutDialog::signalDiscover, this, [&order] {
        order << QStringLiteral("discover") << (QApplication::activeModalWidget() ? "modal" : "none");
    });
    HintSeen seen;
    recordNextHint(&seen);
    QVERIFY(!about.onGetHelp());
    QVERIFY(seen.shown);
    QCOMPARE(seen.objectName, QStringLiteral("APP_WARNINGDLG"));
    QCOMPARE(seen.title, QStringLiteral("Hint"));
    QCOMPARE(seen.text, QStringLiteral("No user manual found."));
    QCOMPARE(seen.size, QSize(350, 220));
    QVERIFY(!seen.bottomVisible);
    QCOMPARE(order, (QStringList{"cover", "none", "discover", "none"}));
}

void TestAbout::cornerButtonAsksForHelp()
{
    QVERIFY(touch(m_dir->filePath(QStringLiteral("TARN User Manual.pdf"))));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    AboutDialog about;
    int opened = 0;
    about.setUrlOpener([&opened](const QUrl &) {
        ++opened;
        return true;
    });
    child<QPushButton>(about.panel(), "m_conerBtn")->click();
    QCOMPARE(opened, 1);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
