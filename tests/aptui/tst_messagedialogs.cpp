#include <QtTest>

#include <QElapsedTimer>
#include <QLabel>
#include <QPluginLoader>
#include <QPushButton>
#include <QThread>
#include <QToolButton>

#include "aptui/basedialog.h"
#include "aptui/hintbox.h"
#include "aptui/multistatelineedit.h"
#include "aptui/tipdialog.h"
#include "aptui/warningdialog.h"
#include "kittest.h"

using aptui::MultiStateLineEdit;
using TarnTool::TipDialog;
using TarnTool::WarningDialog;
using kittest::child;
using kittest::onNextModal;

namespace {
QList<WarningDialog *> visibleWarnings()
{
    QList<WarningDialog *> boxes;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *box = qobject_cast<WarningDialog *>(w); box && box->isVisible())
            boxes.append(box);
    }
    return boxes;
}
} // namespace

class TestMessageDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void warningBoxShape_data();
    void warningBoxShape();
    void warningBoxIsAlwaysTopLevel();
    void closesTwoSecondsAfterConstruction();
    void closeButtonClosesAndSignals();
    void marking_data();
    void marking();
    void twoWarningsInARow();
    void longWarningIsTaller();
    void popupPositionCentresTheBox();

    void tipDialogFrame();
    void tipDialogAnswers_data();
    void tipDialogAnswers();
    void hintBox();

private:
    QWidget *m_window = nullptr;
    MultiStateLineEdit *m_edit = nullptr;
    QLabel *m_hint = nullptr;
};

void TestMessageDialogs::initTestCase()
{
    // The icons are the skin's, as in the running tool.
    QPluginLoader loader(QStringLiteral(COMMONSKIN_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
}

void TestMessageDialogs::init()
{
    m_window = new QWidget;
    m_window->setGeometry(100, 100, 600, 400);
    m_edit = new MultiStateLineEdit(m_window);
    m_hint = new QLabel(m_window);
    m_hint->move(200, 0);
}

void TestMessageDialogs::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestMessageDialogs::warningBoxShape_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("hasIcon");
    QTest::newRow("ok") << 0 << true;
    QTest::newRow("info") << 1 << true;
    QTest::newRow("error") << 2 << true;
    QTest::newRow("unknown kind") << 3 << false;
    QTest::newRow("negative kind") << -1 << false;
}

void TestMessageDialogs::warningBoxShape()
{
    QFETCH(int, type);
    QFETCH(bool, hasIcon);
    WarningDialog box(type, QStringLiteral("Saved."), m_window);
    QCOMPARE(box.objectName(), QStringLiteral("WarningDialog"));
    QCOMPARE(box.size(), QSize(310, 120));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(box.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(child<QLabel>(&box, "m_labelWarnText")->text(), QStringLiteral("Saved."));
    QVERIFY(child<QLabel>(&box, "m_labelWarnText")->wordWrap());
    const QPixmap icon = child<QLabel>(&box, "m_labelWarnPicture")->pixmap(Qt::ReturnByValue);
    QCOMPARE(!icon.isNull(), hasIcon);
    if (hasIcon)
        QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(child<QPushButton>(&box, "m_btnClose")->text().isEmpty());
    QVERIFY(child(&box, "m_borderWidget"));
}

void TestMessageDialogs::warningBoxIsAlwaysTopLevel()
{
    WarningDialog box(0, QStringLiteral("x"), m_window);
    QCOMPARE(box.parent(), nullptr);
    QVERIFY(box.isWindow());
}

void TestMessageDialogs::closesTwoSecondsAfterConstruction()
{
    QElapsedTimer sinceBuilt;
    sinceBuilt.start();
    WarningDialog box(1, QStringLiteral("Wait"), nullptr);
    QThread::msleep(1500); // no events: the timer runs, the box is not shown yet
    QElapsedTimer shown;
    shown.start();
    box.exec();
    QVERIFY2(shown.elapsed() < 1200, qPrintable(QString::number(shown.elapsed())));
    QVERIFY(sinceBuilt.elapsed() >= 1900);
    QVERIFY(!box.isVisible());
}

void TestMessageDialogs::closeButtonClosesAndSignals()
{
    WarningDialog box(2, QStringLiteral("Failed."), nullptr);
    QSignalSpy closed(&box, &WarningDialog::signalWarnClose);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(child<QPushButton>(&box, "m_btnClose"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!box.isVisible());
}

void TestMessageDialogs::marking_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("giveEdit");
    QTest::addColumn<bool>("giveHint");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("hintIcon");

    const int normal = MultiStateLineEdit::NORMAL;
    QTest::newRow("error marks") << 2 << true << true << int(MultiStateLineEdit::ERROR) << true;
    QTest::newRow("info marks as tip") << 1 << true << true << int(MultiStateLineEdit::TIP) << true;
    QTest::newRow("success marks nothing") << 0 << true << true << normal << false;
    QTest::newRow("unknown kind marks nothing") << 5 << true << true << normal << false;
    QTest::newRow("no hint label") << 2 << true << false << normal << false;
    QTest::newRow("no field") << 2 << false << true << normal << false;
}

void TestMessageDialogs::marking()
{
    QFETCH(int, type);
    QFETCH(bool, giveEdit);
    QFETCH(bool, giveHint);
    QFETCH(int, state);
    QFETCH(bool, hintIcon);

    QString shownText;
    onNextModal([&shownText](QWidget *modal) {
        shownText = child<QLabel>(modal, "m_labelWarnText")->text();
        modal->close();
    });
    WarningDialog::showWarning(QPoint(120, 140), type, QStringLiteral("Invalid address."), m_window,
                               giveEdit ? m_edit : nullptr, giveHint ? m_hint : nullptr);
    QCOMPARE(shownText, QStringLiteral("Invalid address."));
    // The mark stays after the box has gone.
    QCOMPARE(int(m_edit->lineEditState()), state);
    QCOMPARE(!m_hint->pixmap(Qt::ReturnByValue).isNull(), hintIcon);
}

void TestMessageDialogs::twoWarningsInARow()
{
    QStringList seen;
    int mostAtOnce = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        const QList<WarningDialog *> boxes = visibleWarnings();
        mostAtOnce = qMax(mostAtOnce, int(boxes.size()));
        for (WarningDialog *box : boxes) {
            const QString text = child<QLabel>(box, "m_labelWarnText")->text();
            if (!seen.contains(text)) {
                seen.append(text);
                // Close the first early; the second closes by its own timer.
                if (seen.size() == 1)
                    QTimer::singleShot(100, box, &QWidget::close);
            }
        }
    });
    watch.start(20);
    QElapsedTimer timer;
    timer.start();
    WarningDialog::showWarning(QPoint(100, 100), 0, QStringLiteral("first"), m_window);
    WarningDialog::showWarning(QPoint(100, 100), 2, QStringLiteral("second"), m_window);
    watch.stop();
    QCOMPARE(seen, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    QCOMPARE(mostAtOnce, 1);
    QVERIFY(timer.elapsed() >= 1900);
}

void TestMessageDialogs::longWarningIsTaller()
{
    QSize shortSize;
    QSize longSize;
    QPoint shortPos;
    onNextModal([&](QWidget *modal) {
        shortSize = modal->size();
        shortPos = modal->pos();
        modal->close();
    });
    WarningDialog::showWarning(QPoint(150, 160), 1, QStringLiteral("short"), m_window);
    onNextModal([&](QWidget *modal) {
        longSize = modal->size();
        modal->close();
    });
    WarningDialog::showLongWarning(QPoint(150, 160), 1,
                                   QStringLiteral("line one\nline two\nline three"), m_window);
    QCOMPARE(shortSize, QSize(310, 120));
    QCOMPARE(longSize, QSize(310, 160));
    QCOMPARE(shortPos, QPoint(150, 160));
}

void TestMessageDialogs::popupPositionCentresTheBox()
{
    QWidget window;
    window.setGeometry(100, 50, 801, 601);
    // Integer halves: 100 + 400 - 155, 50 + 300 - 60.
    QCOMPARE(WarningDialog::popupPosition(&window), QPoint(window.pos().x() + 400 - 155,
                                                          window.pos().y() + 300 - 60));
}

void TestMessageDialogs::tipDialogFrame()
{
    TipDialog dialog;
    dialog.setTitle(QStringLiteral("Exit"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char *name : {"btnApp", "btnOption", "btnMin", "btnMax"})
        QVERIFY2(!child(&dialog, name)->isVisible(), name);
    QVERIFY(child(&dialog, "btnClose")->isVisible());
    QVERIFY(child(&dialog, "btnConfirm")->isVisible());
    QVERIFY(child(&dialog, "btnCancel")->isVisible());
    auto *tip = child<QLabel>(&dialog, "m_labelTip");
    QVERIFY(tip);
    QCOMPARE(tip->text(), QStringLiteral("sure"));
    QCOMPARE(tip->alignment(), Qt::AlignCenter);
    dialog.setTipText(QStringLiteral("Exit the TARN software?"));
    QCOMPARE(tip->text(), QStringLiteral("Exit the TARN software?"));
    QVERIFY(!child(&dialog, "m_labelNULL"));
}

void TestMessageDialogs::tipDialogAnswers_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("confirm") << QByteArray("btnConfirm") << int(QDialog::Accepted);
    QTest::newRow("cancel") << QByteArray("btnCancel") << int(QDialog::Rejected);
    QTest::newRow("close") << QByteArray("btnClose") << int(QDialog::Rejected);
}

void TestMessageDialogs::tipDialogAnswers()
{
    QFETCH(QByteArray, button);
    QFETCH(int, result);
    TipDialog dialog;
    dialog.resize(350, 220);
    onNextModal([button](QWidget *modal) {
        QTest::mouseClick(child(modal, button.constData()), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), result);
}

void TestMessageDialogs::hintBox()
{
    aptui::BaseDialog box(false, false, false, false, true, false, false, nullptr);
    aptui::setUpHintBox(box, QSize(400, 256), QStringLiteral("Hint"),
                        QStringLiteral("TARN is already running."), false);
    QCOMPARE(box.objectName(), QStringLiteral("APP_WARNINGDLG"));
    QCOMPARE(box.minimumSize(), QSize(400, 256));
    QCOMPARE(box.maximumSize(), QSize(400, 256));
    QCOMPARE(box.windowTitle(), QStringLiteral("Hint"));
    QCOMPARE(child<QLabel>(&box, "m_labelNULL")->text(), QStringLiteral("TARN is already running."));
    onNextModal([](QWidget *modal) {
        QVERIFY(!child(modal, "m_BaseDialogBottom")->isVisible());
        QVERIFY(child(modal, "btnClose")->isVisible());
        QTest::mouseClick(child(modal, "btnClose"), Qt::LeftButton);
    });
    QCOMPARE(box.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(TestMessageDialogs)
#include "tst_messagedialogs.moc"
