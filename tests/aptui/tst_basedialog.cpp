#include <QtTest>

#include <QLabel>
#include <QLayout>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include "aptui/basedialog.h"
#include "aptui/basetitle.h"
#include "kittest.h"

using aptui::BaseDialog;
using aptui::BaseTitle;
using kittest::child;

namespace {
const char *const TitleButtons[] = {"btnApp", "btnOption", "btnMin", "btnMax", "btnClose"};
} // namespace

class TestBaseDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleFlags_data();
    void titleFlags();
    void titleButtonsEmit();
    void titleCustomButtonsGoWithTheTitle();

    void frameIsAFramelessWindow();
    void hiddenConfirmCannotBeClicked();
    void confirmAcceptsByDefault();
    void confirmOnlySignalsWhenDisabled();
    void cancelAndCloseRejectByDefault();
    void cancelAndCloseOnlySignalWhenDisabled();
    void enablingTwiceConnectsOnce();
    void maximiseThenRestore();
    void defaultTextTemplates();
    void defaultTextAfterContentWidget();
    void secondContentWidgetReplacesTheFirst();
    void titleAndButtonTexts();
    void fixedSizeSplitsTheHeight();
    void destructionDeletesContentOnce();
    void metaObjectOrder();

private:
    void showDialog();
    QPointer<QWidget> m_parent;
    QPointer<BaseDialog> m_dialog;
};

void TestBaseDialog::init()
{
    m_parent = new QWidget;
    m_parent->resize(600, 500);
    m_dialog = new BaseDialog(true, true, true, true, true, true, true, m_parent);
    m_dialog->resize(400, 300);
}

void TestBaseDialog::cleanup()
{
    delete m_parent; // takes the dialog with it
}

void TestBaseDialog::showDialog()
{
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TestBaseDialog::titleFlags_data()
{
    QTest::addColumn<QVector<bool>>("flags");
    QTest::newRow("all") << QVector<bool>{true, true, true, true, true};
    QTest::newRow("none") << QVector<bool>{false, false, false, false, false};
    QTest::newRow("close only") << QVector<bool>{false, false, false, false, true};
    QTest::newRow("alternating") << QVector<bool>{true, false, true, false, true};
    QTest::newRow("all but close") << QVector<bool>{true, true, true, true, false};
}

void TestBaseDialog::titleFlags()
{
    QFETCH(QVector<bool>, flags);
    QWidget window;
    BaseTitle title(flags[0], flags[1], flags[2], flags[3], flags[4], &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 5; ++i) {
        auto *button = child<QToolButton>(&title, TitleButtons[i]);
        QVERIFY2(button, TitleButtons[i]);
        QCOMPARE(button->isVisible(), flags[i]);
        QCOMPARE(button->isEnabled(), flags[i]);
        QVERIFY(button->minimumSize().expandedTo(QSize(24, 24)) == button->minimumSize());
        QVERIFY(button->text().isEmpty());
    }
    QCOMPARE(title.minimumHeight(), 32);
}

void TestBaseDialog::titleButtonsEmit()
{
    showDialog();
    m_dialog->setEnableDefaultConnections(false, false, false, true, true);
    const char *const dialogSignals[] = {
        SIGNAL(signalAppButtonClicked()), SIGNAL(signalOptionButtonClicked()),
        SIGNAL(signalMinButtonClicked()), SIGNAL(signalMaxButtonClicked()),
        SIGNAL(signalCloseButtonClicked())};
    for (int i = 0; i < 5; ++i) {
        QSignalSpy fromTitle(m_dialog->titleBar(), dialogSignals[i]);
        QSignalSpy fromDialog(m_dialog.data(), dialogSignals[i]);
        QTest::mouseClick(child<QToolButton>(m_dialog, TitleButtons[i]), Qt::LeftButton);
        QCOMPARE(fromTitle.count(), 1);
        QCOMPARE(fromDialog.count(), 1);
    }
    QVERIFY(m_dialog->isVisible());
}

void TestBaseDialog::titleCustomButtonsGoWithTheTitle()
{
    auto *title = new BaseTitle(true, true, true, true, true);
    QPointer<QToolButton> extra = new QToolButton;
    title->addCustomButton(extra);
    QCOMPARE(extra->parent(), title);
    auto *layout = child<QLayout>(title, "m_hlayoutCustomButtons");
    QVERIFY(layout);
    QCOMPARE(layout->indexOf(extra), 0);
    delete title;
    QVERIFY(extra.isNull());
}

// Without the dialog type a parented frameless dialog would be embedded in its parent.
void TestBaseDialog::frameIsAFramelessWindow()
{
    QVERIFY(m_dialog->windowFlags() & Qt::FramelessWindowHint);
    showDialog();
    QVERIFY(m_dialog->isWindow());
    QCOMPARE(m_dialog->parentWidget(), m_parent.data());
    QVERIFY(!m_parent->isVisible());
    QCOMPARE(m_dialog->objectName(), QStringLiteral("BaseDialog"));
    QCOMPARE(m_dialog->titleBar()->parent(), m_dialog.data());
}

void TestBaseDialog::hiddenConfirmCannotBeClicked()
{
    BaseDialog dialog(false, false, false, false, true, false, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *confirm = child<QPushButton>(&dialog, "btnConfirm");
    QVERIFY(!confirm->isVisible());
    QVERIFY(!confirm->isEnabled());
    QVERIFY(child<QPushButton>(&dialog, "btnCancel")->isVisible());
    QSignalSpy spy(&dialog, &BaseDialog::signalConfirmButtonClicked);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
    QVERIFY(dialog.isVisible());
}

void TestBaseDialog::confirmAcceptsByDefault()
{
    showDialog();
    QSignalSpy confirmed(m_dialog.data(), &BaseDialog::signalConfirmButtonClicked);
    QSignalSpy finished(m_dialog.data(), &QDialog::finished);
    QTest::mouseClick(child<QPushButton>(m_dialog, "btnConfirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(!m_dialog->isVisible());
}

void TestBaseDialog::confirmOnlySignalsWhenDisabled()
{
    showDialog();
    m_dialog->setEnableConfirm(false);
    QSignalSpy confirmed(m_dialog.data(), &BaseDialog::signalConfirmButtonClicked);
    QTest::mouseClick(child<QPushButton>(m_dialog, "btnConfirm"), Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(m_dialog->isVisible());

    // The owner accepts on its own after it validated.
    connect(m_dialog.data(), &BaseDialog::signalConfirmButtonClicked, m_dialog.data(), &QDialog::accept);
    QTest::mouseClick(child<QPushButton>(m_dialog, "btnConfirm"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void TestBaseDialog::cancelAndCloseRejectByDefault()
{
    showDialog();
    QSignalSpy cancelled(m_dialog.data(), &BaseDialog::signalCancelButtonClicked);
    QTest::mouseClick(child<QPushButton>(m_dialog, "btnCancel"), Qt::LeftButton);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

    showDialog();
    m_dialog->setResult(QDialog::Accepted);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnClose"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void TestBaseDialog::cancelAndCloseOnlySignalWhenDisabled()
{
    showDialog();
    m_dialog->setEnableDefaultConnections(true, true, false, true, false);
    QSignalSpy cancelled(m_dialog.data(), &BaseDialog::signalCancelButtonClicked);
    QSignalSpy closed(m_dialog.data(), &BaseDialog::signalCloseButtonClicked);
    QTest::mouseClick(child<QPushButton>(m_dialog, "btnCancel"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnClose"), Qt::LeftButton);
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(m_dialog->isVisible());

    m_dialog->setEnableClose(true);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnClose"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
}

// A second connection to restoreWindow() would maximise and restore in one click.
void TestBaseDialog::enablingTwiceConnectsOnce()
{
    showDialog();
    m_dialog->setEnableDefaultConnections(true, true, true, true, true);
    m_dialog->setEnableDefaultConnections(true, true, true, true, true);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnMax"), Qt::LeftButton);
    QTRY_VERIFY(m_dialog->isMaximized());

    m_dialog->showNormal();
    QTRY_VERIFY(!m_dialog->isMaximized());
    m_dialog->setEnableDefaultConnections(false, false, true, true, true);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnMax"), Qt::LeftButton);
    QTest::qWait(20);
    QVERIFY(!m_dialog->isMaximized());
    m_dialog->setEnableMax(true);
    m_dialog->setEnableDefaultConnections(true, true, true, true, true);
    QTest::mouseClick(child<QToolButton>(m_dialog, "btnMax"), Qt::LeftButton);
    QTRY_VERIFY(m_dialog->isMaximized());
}

void TestBaseDialog::maximiseThenRestore()
{
    showDialog();
    const QSize normal = m_dialog->size();
    auto *max = child<QToolButton>(m_dialog, "btnMax");
    QTest::mouseClick(max, Qt::LeftButton);
    QTRY_VERIFY(m_dialog->isMaximized());
    QTest::mouseClick(max, Qt::LeftButton);
    QTRY_VERIFY(!m_dialog->isMaximized());
    QTRY_COMPARE(m_dialog->size(), normal);
}

void TestBaseDialog::defaultTextTemplates()
{
    auto *label = child<QLabel>(m_dialog, "m_labelNULL");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("null content"));
    QVERIFY(label->wordWrap());

    m_dialog->setDefaultText(QStringLiteral("Saved"), 12, true);
    QCOMPARE(label->text(), QStringLiteral("<html><head/><body><p align=\"center\"><span style=\" "
                                           "font-size:12pt; font-weight:600;\">Saved</span></p></body></html>"));
    m_dialog->setDefaultText(QStringLiteral("Saved"), 9);
    QCOMPARE(label->text(), QStringLiteral("<html><head/><body><p align=\"center\"><span style=\" "
                                           "font-size:9pt;\">Saved</span></p></body></html>"));
    // A place marker inside the text is not filled with the size.
    m_dialog->setDefaultText(QStringLiteral("100%2 done"), 10);
    QVERIFY(label->text().contains(QStringLiteral(">100%2 done<")));
    QVERIFY(label->text().contains(QStringLiteral("font-size:10pt;")));
    m_dialog->setDefaultText(QStringLiteral("plain <b>text</b>"));
    QCOMPARE(label->text(), QStringLiteral("plain <b>text</b>"));
}

void TestBaseDialog::defaultTextAfterContentWidget()
{
    auto *content = new QLabel(QStringLiteral("content"));
    m_dialog->setContentWidget(content);
    QVERIFY(!child<QLabel>(m_dialog, "m_labelNULL"));
    m_dialog->setDefaultText(QStringLiteral("ignored"), 12, true);
    m_dialog->setDefaultText(QStringLiteral("ignored"));
    QCOMPARE(content->text(), QStringLiteral("content"));
    QCOMPARE(content->parentWidget(), child(m_dialog, "mainBorder"));
    auto *border = child<QLayout>(m_dialog, "BorderLayout");
    QCOMPARE(border->count(), 1);
    QCOMPARE(border->itemAt(0)->widget(), content);
    const auto labels = m_dialog->findChildren<QLabel *>();
    for (QLabel *label : labels)
        QVERIFY(!label->text().contains(QStringLiteral("ignored")));
}

void TestBaseDialog::secondContentWidgetReplacesTheFirst()
{
    showDialog();
    QPointer<QWidget> first = new QLabel(QStringLiteral("first"));
    auto *second = new QLabel(QStringLiteral("second"));
    m_dialog->setContentWidget(first);
    QVERIFY(first->isVisible());
    m_dialog->setContentWidget(second);
    QVERIFY(!first.isNull());
    QVERIFY(!first->isVisible());
    QVERIFY(second->isVisible());
    auto *border = child<QLayout>(m_dialog, "BorderLayout");
    QCOMPARE(border->count(), 1);
    QCOMPARE(border->itemAt(0)->widget(), second);

    // Setting the same widget again keeps it shown.
    m_dialog->setContentWidget(second);
    QVERIFY(second->isVisible());
    QCOMPARE(border->count(), 1);
}

void TestBaseDialog::titleAndButtonTexts()
{
    m_dialog->setTitle(QStringLiteral("Export"));
    QCOMPARE(child<QLabel>(m_dialog, "labelTitle")->text(), QStringLiteral("Export"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Export"));
    QCOMPARE(child<QPushButton>(m_dialog, "btnConfirm")->text(), QStringLiteral("Confirm"));
    QCOMPARE(child<QPushButton>(m_dialog, "btnCancel")->text(), QStringLiteral("Cancel"));
}

void TestBaseDialog::fixedSizeSplitsTheHeight()
{
    m_dialog->setBottomBarHeight(50);
    m_dialog->setDialogFixedSize(400, 256);
    QCOMPARE(m_dialog->minimumSize(), QSize(400, 256));
    QCOMPARE(m_dialog->maximumSize(), QSize(400, 256));
    showDialog();
    QCOMPARE(m_dialog->size(), QSize(400, 256));
    auto *border = child(m_dialog, "mainBorder");
    auto *bottom = child(m_dialog, "m_BaseDialogBottom");
    // Title, content and bottom bar fill the dialog exactly.
    QTRY_COMPARE(m_dialog->titleBar()->height() + border->height() + bottom->height(), 256);
    QCOMPARE(bottom->height(), 50);
    QCOMPARE(border->width(), 400);

    m_dialog->setBottomVisible(false);
    m_dialog->setDialogFixedSize(QSize(350, 220));
    QTRY_COMPARE(m_dialog->size(), QSize(350, 220));
    QTRY_COMPARE(m_dialog->titleBar()->height() + border->height(), 220);
    QVERIFY(!bottom->isVisible());
}

void TestBaseDialog::destructionDeletesContentOnce()
{
    auto *dialog = new BaseDialog(true, true, true, true, true, true, true, nullptr);
    QPointer<QWidget> content = new QLabel(QStringLiteral("content"));
    QPointer<QWidget> bottom = new QPushButton(QStringLiteral("extra"));
    QPointer<QWidget> title = dialog->titleBar();
    dialog->setContentWidget(content);
    dialog->addBottomButton(bottom);
    delete dialog;
    QVERIFY(content.isNull());
    QVERIFY(bottom.isNull());
    QVERIFY(title.isNull());
}

// Owners and scripts address these by index and by name, with "blod" as the parameter name.
void TestBaseDialog::metaObjectOrder()
{
    const QByteArray expected[] = {
        "signalAppButtonClicked()", "signalOptionButtonClicked()", "signalMinButtonClicked()",
        "signalMaxButtonClicked()", "signalCloseButtonClicked()", "signalConfirmButtonClicked()",
        "signalCancelButtonClicked()",
        "setEnableDefaultConnections(bool,bool,bool,bool,bool)", "setTitle(QString)",
        "setDefaultText(QString,int,bool)", "setDefaultText(QString,int)", "setDefaultText(QString)",
        "setConfirmButtonText(QString)", "setCancelButtonText(QString)", "setBottomBarHeight(int)",
        "setBottomVisible(bool)", "onConfirmBtnClicked()", "onCancelBtnClicked()", "restoreWindow()"};
    const QMetaObject &mo = BaseDialog::staticMetaObject;
    QCOMPARE(mo.methodCount() - mo.methodOffset(), int(std::size(expected)));
    for (int i = 0; i < int(std::size(expected)); ++i)
        QCOMPARE(mo.method(mo.methodOffset() + i).methodSignature(), expected[i]);
    const QMetaMethod richText = mo.method(mo.methodOffset() + 9);
    QCOMPARE(richText.parameterNames(), (QList<QByteArray>{"text", "fontSize", "blod"}));
    QCOMPARE(mo.method(mo.methodOffset() + 7).parameterNames(),
             (QList<QByteArray>{"enableMin", "enableMax", "enableClose", "enableConfirm", "enableCancel"}));
    QCOMPARE(mo.method(mo.methodOffset() + 18).access(), QMetaMethod::Private);
}

QTEST_MAIN(TestBaseDialog)
#include "tst_basedialog.moc"
