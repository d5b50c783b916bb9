#include <QtTest>

#include <QHBoxLayout>
#include <QImage>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>
#include <QStyleOptionViewItem>
#include <QTreeView>

#include "aptui/coverwidget.h"
#include "aptui/multistatelineedit.h"
#include "aptui/pinbutton.h"
#include "aptui/treeviewwithleftpixmapdelegate.h"
#include "aptui/widget.h"

using aptui::MultiStateLineEdit;

class TestSmallWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stateProperty_data();
    void stateProperty();
    void stateIsNormalAtFirstAndReemitted();
    void stateInterfaceByName();
    void setLineEditStateRepolishes();

    void pinButtonWithoutBuddy();
    void pinButtonTogglesBuddy();
    void pinButtonOutlivesBuddy();
    void pinImagesExist_data();
    void pinImagesExist();

    void widgetSignals();
    void coverWidget();
    void delegateDrawsSelectedAsHovered();

private:
    QWidget *m_window = nullptr;
};

void TestSmallWidgets::init()
{
    m_window = new QWidget;
    m_window->resize(300, 200);
}

void TestSmallWidgets::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestSmallWidgets::stateProperty_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("read");

    QTest::newRow("tip lower case") << "tip" << int(MultiStateLineEdit::TIP) << "Tip";
    QTest::newRow("tip number") << "2" << int(MultiStateLineEdit::TIP) << "Tip";
    QTest::newRow("Error") << "Error" << int(MultiStateLineEdit::ERROR) << "Error";
    QTest::newRow("error number") << "1" << int(MultiStateLineEdit::ERROR) << "Error";
    QTest::newRow("NORMAL") << "NORMAL" << int(MultiStateLineEdit::NORMAL) << "Normal";
    QTest::newRow("normal number") << "3" << int(MultiStateLineEdit::NORMAL) << "Normal";
    QTest::newRow("unknown is an error") << "warning" << int(MultiStateLineEdit::ERROR) << "Error";
    QTest::newRow("empty is an error") << "" << int(MultiStateLineEdit::ERROR) << "Error";
    QTest::newRow("number out of range") << "4" << int(MultiStateLineEdit::ERROR) << "Error";
}

void TestSmallWidgets::stateProperty()
{
    QFETCH(QString, written);
    QFETCH(int, state);
    QFETCH(QString, read);

    MultiStateLineEdit edit(m_window);
    QSignalSpy spy(&edit, &MultiStateLineEdit::stateChanged);
    QVERIFY(edit.setProperty("state", written));
    QCOMPARE(int(edit.lineEditState()), state);
    QCOMPARE(edit.property("state").toString(), read);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), read);
}

void TestSmallWidgets::stateIsNormalAtFirstAndReemitted()
{
    MultiStateLineEdit edit(m_window);
    QCOMPARE(edit.property("state").toString(), QStringLiteral("Normal"));
    QSignalSpy spy(&edit, &MultiStateLineEdit::stateChanged);
    edit.setLineEditState(MultiStateLineEdit::NORMAL);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Normal"));
    edit.setLineEditState(MultiStateLineEdit::TIP);
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("Tip"));
}

// Style sheets and translations reach these by name, so the names are part of the interface.
void TestSmallWidgets::stateInterfaceByName()
{
    MultiStateLineEdit edit(m_window);
    const QMetaObject *mo = edit.metaObject();
    QCOMPARE(QMetaType::type("aptui::MultiStateLineEdit::State"),
             qMetaTypeId<MultiStateLineEdit::State>());

    const QMetaProperty state = mo->property(mo->indexOfProperty("state"));
    QVERIFY(state.isValid());
    QCOMPARE(state.type(), QVariant::String);
    QVERIFY(state.isReadable() && state.isWritable());
    QCOMPARE(state.notifySignal().methodSignature(), QByteArray("stateChanged(QString)"));
    QCOMPARE(state.notifySignal().parameterNames(), QList<QByteArray>{"_state"});

    const int slot = mo->indexOfSlot("setLineEditState(aptui::MultiStateLineEdit::State)");
    QVERIFY(slot >= 0);
    QCOMPARE(mo->method(slot).parameterNames(), QList<QByteArray>{"_state"});
    QVERIFY(QMetaObject::invokeMethod(&edit, "setLineEditState",
                                      Q_ARG(aptui::MultiStateLineEdit::State, MultiStateLineEdit::TIP)));
    QCOMPARE(edit.lineEditState(), MultiStateLineEdit::TIP);
}

void TestSmallWidgets::setLineEditStateRepolishes()
{
    auto *edit = new MultiStateLineEdit(m_window);
    edit->setGeometry(10, 10, 120, 30);
    edit->setStyleSheet(QStringLiteral(
        "aptui--MultiStateLineEdit { background: rgb(255, 255, 255); border: none; }"
        "aptui--MultiStateLineEdit[state=\"Error\"] { background: rgb(200, 0, 0); }"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const QPoint probe(5, 15);
    QCOMPARE(edit->grab().toImage().pixelColor(probe), QColor(255, 255, 255));
    edit->setLineEditState(MultiStateLineEdit::ERROR);
    QCOMPARE(edit->grab().toImage().pixelColor(probe), QColor(200, 0, 0));
    edit->setLineEditState(MultiStateLineEdit::NORMAL);
    QCOMPARE(edit->grab().toImage().pixelColor(probe), QColor(255, 255, 255));
}

void TestSmallWidgets::pinButtonWithoutBuddy()
{
    aptui::PinButton pin(m_window);
    QCOMPARE(pin.size(), QSize(14, 69));
    QCOMPARE(pin.minimumSize(), pin.maximumSize());
    QCOMPARE(pin.styleSheet(), aptui::PinButton::leftStyle());
    QSignalSpy spy(&pin, &aptui::PinButton::pinButtonClicked);
    pin.click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(pin.styleSheet(), aptui::PinButton::leftStyle());
}

void TestSmallWidgets::pinButtonTogglesBuddy()
{
    auto *layout = new QHBoxLayout(m_window);
    auto *panel = new QWidget(m_window);
    auto *pin = new aptui::PinButton(m_window);
    layout->addWidget(panel);
    layout->addWidget(pin);
    pin->setBuddy(panel);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    QSignalSpy spy(pin, &aptui::PinButton::pinButtonClicked);
    QTest::mouseClick(pin, Qt::LeftButton);
    QVERIFY(panel->isHidden());
    QCOMPARE(pin->styleSheet(), aptui::PinButton::rightStyle());
    QTest::mouseClick(pin, Qt::LeftButton);
    QVERIFY(panel->isVisible());
    QCOMPARE(pin->styleSheet(), aptui::PinButton::leftStyle());
    QCOMPARE(spy.count(), 2);
}

void TestSmallWidgets::pinButtonOutlivesBuddy()
{
    aptui::PinButton pin(m_window);
    auto *panel = new QWidget(m_window);
    pin.setBuddy(panel);
    delete panel;
    QSignalSpy spy(&pin, &aptui::PinButton::pinButtonClicked);
    pin.click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(pin.buddy(), nullptr);
}

void TestSmallWidgets::pinImagesExist_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const QString dir = QStringLiteral(":/aptui/complex/Images/System/Complex/");
    for (const char *name : {"left.png", "leftSel.png", "right.png", "RightSel.png"})
        QTest::newRow(name) << dir + QLatin1String(name) << QSize(14, 69);
    QTest::newRow("application icon") << dir + QStringLiteral("calculate.png") << QSize(64, 64);
}

// The kit's images are linked into the program; nothing has to register them first.
void TestSmallWidgets::pinImagesExist()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.pixelColor(size.width() / 2, size.height() / 2).alpha() > 0);
}

void TestSmallWidgets::widgetSignals()
{
    aptui::Widget widget(m_window);
    QSignalSpy clicked(&widget, &aptui::Widget::signalMouseClicked);
    QSignalSpy doubled(&widget, &aptui::Widget::signalDoubleClicked);
    QSignalSpy entered(&widget, &aptui::Widget::signalMouseEnter);
    QSignalSpy left(&widget, &aptui::Widget::signalMouseLeave);

    QTest::mousePress(&widget, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseDClick(&widget, Qt::LeftButton);
    QCOMPARE(doubled.count(), 1);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&widget, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 1);
    QCOMPARE(doubled.count(), 1);
}

void TestSmallWidgets::coverWidget()
{
    auto *cover = new aptui::CoverWidget(m_window);
    QVERIFY(cover->testAttribute(Qt::WA_TranslucentBackground));
    auto *inner = cover->findChild<QWidget *>(QStringLiteral("m_cover"));
    QVERIFY(inner);
    QCOMPARE(cover->layout()->contentsMargins(), QMargins());

    // The translucent colour comes from the style sheet, and fills the whole cover.
    cover->setStyleSheet(QStringLiteral("QWidget#m_cover { background: rgba(0, 0, 255, 128); }"));
    cover->setGeometry(0, 0, 200, 100);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTRY_COMPARE(inner->geometry(), QRect(0, 0, 200, 100));
    const QColor corner = cover->grab().toImage().pixelColor(199, 99);
    QVERIFY2(corner.blue() > corner.red() + 50, qPrintable(corner.name(QColor::HexArgb)));
}

void TestSmallWidgets::delegateDrawsSelectedAsHovered()
{
    QTreeView view;
    aptui::TreeViewWithLeftPixmapDelegate delegate(&view);
    QStyleOptionViewItem option;
    option.state = QStyle::State_Enabled | QStyle::State_Selected;
    const QStyleOptionViewItem selected = aptui::TreeViewWithLeftPixmapDelegate::adjustedOption(option);
    QVERIFY(!(selected.state & QStyle::State_Selected));
    QVERIFY(selected.state & QStyle::State_MouseOver);
    QVERIFY(selected.state & QStyle::State_Enabled);

    option.state = QStyle::State_Enabled;
    QCOMPARE(aptui::TreeViewWithLeftPixmapDelegate::adjustedOption(option).state, option.state);
}

QTEST_MAIN(TestSmallWidgets)
#include "tst_smallwidgets.moc"
