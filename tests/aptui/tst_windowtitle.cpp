#include <QtTest>

#include <QCloseEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "aptui/menu.h"
#include "aptui/systemmenu.h"
#include "aptui/windowtitle.h"
#include "kittest.h"

using aptui::WindowTitle;
using kittest::child;

namespace {
// A borderless main window whose close can be refused, as the tool's is on "Cancel".
class MainWindow : public QWidget
{
public:
    MainWindow()
    {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        title = new WindowTitle(this);
        layout->addWidget(title);
        layout->addStretch();
        setGeometry(50, 50, 800, 500);
    }
    WindowTitle *title = nullptr;
    bool refuseClose = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuseClose)
            event->ignore();
        else
            event->accept();
    }
};

} // namespace

class TestWindowTitle : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void barShape();
    void maximiseAndRestoreRename();
    void doubleClickTogglesLikeTheButton();
    void closeSignalsEvenWhenRefused();
    void minimise();
    void systemMenuButtonOnlySignals();

    void menuIsFramelessPopup();
    void menuAddMenuMakesKitMenus();

private:
    MainWindow *m_window = nullptr;
};

void TestWindowTitle::init()
{
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestWindowTitle::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestWindowTitle::barShape()
{
    WindowTitle *title = m_window->title;
    QCOMPARE(title->height(), 35);
    QCOMPARE(title->minimumHeight(), title->maximumHeight());
    QVERIFY(!title->IsOpenDoubleClickEnable());
    for (const char *name : {"m_btnIcon", "m_btnMinimize", "m_btnMaximize", "m_btnClose", "m_btnSystemMenu"}) {
        auto *button = child<QToolButton>(title, name);
        QVERIFY2(button, name);
        QCOMPARE(button->size(), QSize(24, 24));
        QCOMPARE(button->focusPolicy(), qstrcmp(name, "m_btnIcon") == 0 ? Qt::NoFocus : Qt::ClickFocus);
    }
    QCOMPARE(child<QToolButton>(title, "m_btnClose")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    title->setTitle(QStringLiteral("TARN"));
    auto *label = child<QLabel>(title, "m_labelTitle");
    QCOMPARE(label->text(), QStringLiteral("TARN"));
    QVERIFY(label->alignment() & Qt::AlignLeft);
    // Icon and title on the left, the buttons right-aligned in the order of the bar.
    QVERIFY(child<QToolButton>(title, "m_btnIcon")->x() < label->x());
    const int menuX = child<QToolButton>(title, "m_btnSystemMenu")->mapTo(title, QPoint()).x();
    const int minX = child<QToolButton>(title, "m_btnMinimize")->mapTo(title, QPoint()).x();
    const int maxX = child<QToolButton>(title, "m_btnMaximize")->mapTo(title, QPoint()).x();
    const int closeX = child<QToolButton>(title, "m_btnClose")->mapTo(title, QPoint()).x();
    QVERIFY(menuX + 24 + 12 <= minX);
    QVERIFY(minX < maxX && maxX < closeX);
    QCOMPARE(closeX + 24 + 4, title->width());
    QVERIFY(title->systemMenu());
    QVERIFY(!title->systemMenu()->isVisible());
}

void TestWindowTitle::maximiseAndRestoreRename()
{
    QToolButton *button = child<QToolButton>(m_window->title, "m_btnMaximize");
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(m_window->isMaximized());
        QCOMPARE(button->objectName(), QStringLiteral("m_btnResore"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(!m_window->isMaximized());
        QCOMPARE(button->objectName(), QStringLiteral("m_btnMaximize"));
    }
}

void TestWindowTitle::doubleClickTogglesLikeTheButton()
{
    WindowTitle *title = m_window->title;
    QToolButton *button = child<QToolButton>(title, "m_btnMaximize");
    QSignalSpy changed(title, &OrvoGUIToolkit::CFancyTitle::SignalWndSizeStatusChanged);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(300, 15));
    QTRY_VERIFY(m_window->isMaximized());
    QCOMPARE(button->objectName(), QStringLiteral("m_btnResore"));
    QCOMPARE(changed.count(), 1);
    QTest::mouseDClick(title, Qt::RightButton, Qt::NoModifier, QPoint(300, 15));
    QTest::qWait(20);
    QVERIFY(m_window->isMaximized());
    QCOMPARE(changed.count(), 1);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(300, 15));
    QTRY_VERIFY(!m_window->isMaximized());
    QCOMPARE(button->objectName(), QStringLiteral("m_btnMaximize"));
    QCOMPARE(changed.count(), 2);
}

void TestWindowTitle::closeSignalsEvenWhenRefused()
{
    QSignalSpy closing(m_window->title, &WindowTitle::signalCloseApp);
    m_window->refuseClose = true;
    // The close runs after the click has returned (it may ask in a modal box).
    QTest::mouseClick(child<QToolButton>(m_window->title, "m_btnClose"), Qt::LeftButton);
    QCOMPARE(closing.count(), 0);
    QTRY_COMPARE(closing.count(), 1);
    QVERIFY(m_window->isVisible());
    m_window->refuseClose = false;
    QTest::mouseClick(child<QToolButton>(m_window->title, "m_btnClose"), Qt::LeftButton);
    QTRY_COMPARE(closing.count(), 2);
    QVERIFY(!m_window->isVisible());
}

void TestWindowTitle::minimise()
{
    QTest::mouseClick(child<QToolButton>(m_window->title, "m_btnMinimize"), Qt::LeftButton);
    QTRY_VERIFY(m_window->windowState() & Qt::WindowMinimized);
}

void TestWindowTitle::systemMenuButtonOnlySignals()
{
    QSignalSpy menu(m_window->title, &WindowTitle::signalSystemMenu);
    QTest::mouseClick(child<QToolButton>(m_window->title, "m_btnSystemMenu"), Qt::LeftButton);
    QCOMPARE(menu.count(), 1);
    QVERIFY(!m_window->title->systemMenu()->isVisible());
}

void TestWindowTitle::menuIsFramelessPopup()
{
    aptui::Menu menu;
    QCOMPARE(menu.objectName(), QStringLiteral("Menu"));
    QVERIFY(menu.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(menu.windowType(), Qt::Popup);
    QVERIFY(menu.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(menu.windowFlags() & Qt::NoDropShadowWindowHint);
    aptui::Menu titled(QStringLiteral("Tools"));
    QCOMPARE(titled.title(), QStringLiteral("Tools"));
    QCOMPARE(titled.objectName(), QStringLiteral("Menu"));
}

void TestWindowTitle::menuAddMenuMakesKitMenus()
{
    aptui::Menu menu;
    aptui::Menu *sub = menu.addMenu(QStringLiteral("Language"));
    QVERIFY(sub);
    QCOMPARE(sub->parent(), &menu);
    QCOMPARE(sub->title(), QStringLiteral("Language"));
    QCOMPARE(sub->objectName(), QStringLiteral("Menu"));
    QVERIFY(menu.actions().contains(sub->menuAction()));

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    aptui::Menu *withIcon = menu.addMenu(QIcon(pixmap), QStringLiteral("Skin"));
    QVERIFY(!withIcon->icon().isNull());
    QCOMPARE(menu.actions().size(), 2);
    QCOMPARE(menu.actions().at(1), withIcon->menuAction());
}

QTEST_MAIN(TestWindowTitle)
#include "tst_windowtitle.moc"
