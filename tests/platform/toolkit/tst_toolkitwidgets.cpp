#include <QtTest>

#include <QDialog>
#include <QLabel>
#include <QSpacerItem>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "toolkit/cfancytitle.h"
#include "toolkit/chboxlayout.h"
#include "toolkit/cintvalidator.h"
#include "toolkit/ctabledelegate.h"
#include "toolkit/ctableview.h"
#include "toolkit/cwidgetitem.h"
#include "toolkit/cwidgetsizefactory.h"
#include "toolkit/independentwindow.h"

using namespace OrvoGUIToolkit;

// A frameless window with a title bar, as every dialog of the tool has.
class Frame : public QWidget
{
public:
    Frame()
    {
        setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
        auto *layout = new QVBoxLayout(this);
        title = new CFancyTitle(this);
        title->setFixedHeight(32);
        layout->addWidget(title);
        layout->addWidget(new QLabel(QStringLiteral("content"), this));
        resize(400, 300);
        move(100, 100);
    }
    CFancyTitle *title = nullptr;
};

class TestToolkitWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragMovesTheWindow();
    void dragDoesNotMoveAMaximisedWindow();
    void doubleClickTogglesMaximised();
    void doubleClickCanBeSwitchedOff();
    void sizeFactory();
    void independentWindow();
    void hboxLayoutItems();
    void intValidator_data();
    void intValidator();
    void tableView();

private:
    Frame *m_frame = nullptr;
};

void TestToolkitWidgets::init()
{
    m_frame = new Frame;
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame));
}

void TestToolkitWidgets::cleanup()
{
    delete m_frame;
    m_frame = nullptr;
}

static void drag(QWidget *w, QPoint from, QPoint by)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, from + by, w->mapToGlobal(from + by), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, from + by);
}

void TestToolkitWidgets::dragMovesTheWindow()
{
    const QPoint before = m_frame->pos();
    drag(m_frame->title, QPoint(50, 10), QPoint(30, 20));
    QTRY_COMPARE(m_frame->pos(), before + QPoint(30, 20));

    // A move without the button held does nothing.
    const QPoint after = m_frame->pos();
    QMouseEvent hover(QEvent::MouseMove, QPoint(70, 10), m_frame->title->mapToGlobal(QPoint(90, 40)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame->title, &hover);
    QCOMPARE(m_frame->pos(), after);
}

void TestToolkitWidgets::dragDoesNotMoveAMaximisedWindow()
{
    CWidgetSizeFactory::ShowMaximized(m_frame);
    QTRY_VERIFY(CWidgetSizeFactory::IsMaximized(m_frame));
    const QPoint before = m_frame->pos();
    drag(m_frame->title, QPoint(50, 10), QPoint(30, 20));
    QCOMPARE(m_frame->pos(), before);
}

void TestToolkitWidgets::doubleClickTogglesMaximised()
{
    QSignalSpy spy(m_frame->title, &CFancyTitle::SignalWndSizeStatusChanged);
    QVERIFY(m_frame->title->IsOpenDoubleClickEnable());
    QTest::mouseDClick(m_frame->title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QTRY_VERIFY(m_frame->isMaximized());
    QCOMPARE(spy.count(), 1);
    QTest::mouseDClick(m_frame->title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QTRY_VERIFY(!m_frame->isMaximized());
    QCOMPARE(spy.count(), 2);

    QTest::mouseDClick(m_frame->title, Qt::RightButton, Qt::NoModifier, QPoint(50, 10));
    QVERIFY(!m_frame->isMaximized());
    QCOMPARE(spy.count(), 2);
}

void TestToolkitWidgets::doubleClickCanBeSwitchedOff()
{
    QSignalSpy spy(m_frame->title, &CFancyTitle::SignalWndSizeStatusChanged);
    m_frame->title->SetOpenDoubleClickEnable(false);
    QTest::mouseDClick(m_frame->title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QTest::qWait(20);
    QVERIFY(!m_frame->isMaximized());
    QCOMPARE(spy.count(), 0);
}

void TestToolkitWidgets::sizeFactory()
{
    QVERIFY(!CWidgetSizeFactory::IsMaximized(nullptr));
    QVERIFY(!CWidgetSizeFactory::IsFullScreen(nullptr));
    CWidgetSizeFactory::ShowMaximized(nullptr);
    CWidgetSizeFactory::ShowNormal(nullptr, QSize(1, 1));

    CWidgetSizeFactory::ShowMaximized(m_frame);
    QTRY_VERIFY(CWidgetSizeFactory::IsMaximized(m_frame));
    CWidgetSizeFactory::ShowNormal(m_frame, QSize(320, 240));
    QTRY_VERIFY(!CWidgetSizeFactory::IsMaximized(m_frame));
    QTRY_COMPARE(m_frame->size(), QSize(320, 240));
    m_frame->showFullScreen();
    QTRY_VERIFY(CWidgetSizeFactory::IsFullScreen(m_frame));
}

void TestToolkitWidgets::independentWindow()
{
    QCOMPARE(GetIndependentWindow(nullptr, nullptr), nullptr);
    QCOMPARE(GetIndependentWindow(m_frame->title, nullptr), static_cast<QWidget *>(m_frame));
    QCOMPARE(GetIndependentWindow(m_frame, nullptr), static_cast<QWidget *>(m_frame));

    QDialog dialog(m_frame);
    auto *inner = new QLabel(&dialog);
    QCOMPARE(GetIndependentWindow(inner, nullptr), static_cast<QWidget *>(&dialog));
    QCOMPARE(GetIndependentWindow(inner, "QDialog"), static_cast<QWidget *>(&dialog));
    // The dialog is not a Frame-class window, but its parent window is a plain QWidget one.
    QCOMPARE(GetIndependentWindow(inner, "QWidget"), static_cast<QWidget *>(&dialog));
    QCOMPARE(GetIndependentWindow(inner, "QMainWindow"), nullptr);
}

void TestToolkitWidgets::hboxLayoutItems()
{
    QWidget host;
    auto *layout = new CHBoxLayout(&host);
    layout->SetLayoutContentsMargins(4, 0, 4, 0);
    layout->SetLayoutSpacing(10);
    auto *icon = new QLabel(QStringLiteral("icon"));
    auto *title = new QLabel(QStringLiteral("title"));
    layout->AddWidget(icon);
    layout->AddItem(new CWidgetItem(title, Qt::AlignLeft | Qt::AlignVCenter), 1);
    layout->AddItem(new QSpacerItem(5, 1));
    layout->AddItem(nullptr);

    QCOMPARE(layout->contentsMargins(), QMargins(4, 0, 4, 0));
    QCOMPARE(layout->spacing(), 10);
    QCOMPARE(layout->count(), 3);
    QCOMPARE(title->parentWidget(), &host);  // a bare widget item still gets its widget adopted
    QCOMPARE(layout->itemAt(1)->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(layout->stretch(1), 1);
    QCOMPARE(layout->stretch(2), 0);
    host.resize(400, 30);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(title->isVisible());
    QVERIFY(title->geometry().left() > icon->geometry().right());
}

void TestToolkitWidgets::intValidator_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("state");
    const int bad = QValidator::Invalid, mid = QValidator::Intermediate, ok = QValidator::Acceptable;
    QTest::newRow("port in range") << 0 << 65535 << "8000" << ok;
    QTest::newRow("port max") << 0 << 65535 << "65535" << ok;
    QTest::newRow("port over max") << 0 << 65535 << "65536" << bad;
    QTest::newRow("port far over") << 0 << 65535 << "99999" << bad;
    QTest::newRow("empty") << 0 << 65535 << "" << mid;
    QTest::newRow("sign refused") << 0 << 65535 << "-1" << bad;
    QTest::newRow("letters") << 0 << 65535 << "80a" << bad;
    QTest::newRow("blank") << 0 << 65535 << " 80" << bad;
    QTest::newRow("too many digits") << 0 << 65535 << "99999999999999999999" << bad;
    QTest::newRow("prefix len") << 0 << 127 << "64" << ok;
    QTest::newRow("prefix len over") << 0 << 127 << "128" << bad;
    QTest::newRow("below min") << 10 << 99 << "5" << mid;
    QTest::newRow("negative range") << -10 << -5 << "-7" << ok;
    QTest::newRow("negative sign alone") << -10 << -5 << "-" << mid;
    QTest::newRow("negative too small") << -10 << -5 << "-11" << bad;
}

void TestToolkitWidgets::intValidator()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QString, input);
    QFETCH(int, state);
    CIntValidator validator(minimum, maximum);
    int pos = input.size();
    QCOMPARE(int(validator.validate(input, pos)), state);
}

void TestToolkitWidgets::tableView()
{
    CTableView view(m_frame);
    QVERIFY(!view.rootIsDecorated());
    QVERIFY(view.IsGridLineShown());
    view.ShowGridLine(false);
    QVERIFY(!view.IsGridLineShown());

    QStandardItemModel model(3, 2);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("001")));
    view.setModel(&model);
    auto *delegate = new CTableDelegate(&view);
    view.setItemDelegate(delegate);
    QCOMPARE(delegate->parent(), &view);
    const QSize hint = delegate->sizeHint(QStyleOptionViewItem(), model.index(0, 0));
    QVERIFY(hint.height() >= CTableDelegate::MinimumRowHeight);

    // Painting with and without grid lines must not fail on any row.
    view.resize(200, 150);
    view.ShowGridLine(true);
    QVERIFY(!view.grab().isNull());
    view.ShowGridLine(false);
    QVERIFY(!view.grab().isNull());
}

QTEST_MAIN(TestToolkitWidgets)
#include "tst_toolkitwidgets.moc"
