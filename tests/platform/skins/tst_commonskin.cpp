#include <QtTest>

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPluginLoader>
#include <QRegularExpression>

#include "aptui/multistatelineedit.h"
#include "skins/iskinplugin.h"
#include "toolkit/cfile.h"

namespace {
QStringList g_messages;

void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_messages.append(message);
}

// Every sheet start-up applies, in the order it applies them.
QString toolSheet()
{
    const QString dir = QStringLiteral(":/OrvoDesk/Qss/Qss/OrvoGUIToolkit/");
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Unsorted);
    names.removeAll(QStringLiteral("MacSpecial.qss"));
    return OrvoGUIToolkit::CFile::ReadAll(names, dir)
           + OrvoGUIToolkit::CFile::ReadAll(QStringLiteral(":/OrvoDesk/Qss/Qss/TARNTool/TARNTool.qss"));
}

bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 0)
                return true;
    return false;
}
} // namespace

class TestCommonSkin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void offersCommonSkin();
    void imagesNamedByTheToolExist_data();
    void imagesNamedByTheToolExist();
    void styleSheetsAreInPlace();
    void everySheetImageResolves();
    void sheetParsesAndColoursFieldStates();

private:
    QPluginLoader m_loader{QStringLiteral(COMMONSKIN_PLUGIN)};
};

void TestCommonSkin::initTestCase()
{
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
}

void TestCommonSkin::offersCommonSkin()
{
    QCOMPARE(m_loader.metaData().value(QStringLiteral("IID")).toString(),
             QStringLiteral("com.ISkinPlugin/1.1"));
    QObject *instance = m_loader.instance();
    QVERIFY(instance);
    auto *skin = qobject_cast<ISkinPlugin *>(instance);
    QVERIFY(skin);
    QVERIFY(instance->qt_metacast("com.ISkinPlugin/1.1"));
    QCOMPARE(skin->skinNames(), QStringList{QStringLiteral("CommonSkin")});
    QVERIFY(!skin->skinNames().contains(QStringLiteral("commonskin")));
    QVERIFY(QFileInfo(m_loader.fileName()).path().endsWith(QStringLiteral("plugins/skins")));
}

void TestCommonSkin::imagesNamedByTheToolExist_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const QString tool = QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/");
    const QString bars = QStringLiteral(":/CommonSkin/Password/Images/Public/Control/Password/");
    const struct {
        QString path;
        QSize size;
    } images[] = {
        {tool + "TipDialog/icon_alert_ok_large.png", {32, 32}},
        {tool + "TipDialog/icon_alert_info_large.png", {32, 32}},
        {tool + "TipDialog/icon_alert_error_large.png", {32, 32}},
        {tool + "BaseControl/Inputs/icon_alert_ok.png", {16, 16}},
        {tool + "BaseControl/Inputs/icon_alert_info.png", {16, 16}},
        {tool + "BaseControl/Inputs/icon_alert_error.png", {16, 16}},
        {tool + "Dialog/icon_floder_open.png", {16, 16}},
        {tool + "Dialog/icon_floder_open_hover.png", {16, 16}},
        {tool + "Dialog/icon_floder_open_dis.png", {16, 16}},
        {tool + "ParamModify/icon_import.png", {16, 16}},
        {tool + "ParamModify/icon_not_activated.png", {100, 100}},
        {tool + "ParamModify/icon_abnormal.png", {100, 100}},
        {tool + "SystemInfo/logo_large.png", {64, 64}},
        {bars + "grey.png", {65, 6}},
        {bars + "red.png", {65, 6}},
        {bars + "yellow.png", {65, 6}},
        {bars + "green.png", {65, 6}},
    };
    for (const auto &image : images)
        QTest::newRow(qPrintable(image.path.mid(13))) << image.path << image.size;
}

void TestCommonSkin::imagesNamedByTheToolExist()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY2(hasInk(image), "blank image");
}

void TestCommonSkin::styleSheetsAreInPlace()
{
    const QStringList toolkit =
        QDir(QStringLiteral(":/OrvoDesk/Qss/Qss/OrvoGUIToolkit/")).entryList(QDir::Files);
    QVERIFY(toolkit.contains(QStringLiteral("MacSpecial.qss")));
    QVERIFY(toolkit.size() >= 4);
    QVERIFY(!OrvoGUIToolkit::CFile::ReadAll(QStringLiteral(":/OrvoDesk/Qss/Qss/TARNTool/TARNTool.qss")).isEmpty());
    const QString sheet = toolSheet();
    // What the Mac-only sheet says does not reach the tool.
    QVERIFY(!sheet.contains(QStringLiteral("font-size: 13px")));
}

void TestCommonSkin::everySheetImageResolves()
{
    const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    QDirIterator it(QStringLiteral(":/OrvoDesk/Qss/Qss"), QDir::Files, QDirIterator::Subdirectories);
    int checked = 0;
    while (it.hasNext()) {
        const QString file = it.next();
        const QString text = OrvoGUIToolkit::CFile::ReadAll(file);
        auto matches = url.globalMatch(text);
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1).trimmed();
            const QImage image(path);
            QVERIFY2(!image.isNull() && hasInk(image), qPrintable(file + QStringLiteral(": ") + path));
            ++checked;
        }
    }
    QVERIFY(checked >= 10);
}

void TestCommonSkin::sheetParsesAndColoursFieldStates()
{
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    qApp->setStyleSheet(toolSheet());
    QWidget window;
    auto *edit = new aptui::MultiStateLineEdit(&window);
    edit->setGeometry(10, 10, 160, 28);
    window.resize(200, 60);
    window.show();
    const bool exposed = QTest::qWaitForWindowExposed(&window);
    const QColor normal = edit->grab().toImage().pixelColor(80, 14);
    edit->setLineEditState(aptui::MultiStateLineEdit::ERROR);
    const QColor error = edit->grab().toImage().pixelColor(80, 14);
    edit->setLineEditState(aptui::MultiStateLineEdit::TIP);
    const QColor tip = edit->grab().toImage().pixelColor(80, 14);
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());

    QVERIFY(exposed);
    QVERIFY2(g_messages.isEmpty(), qPrintable(g_messages.join(QLatin1Char('\n'))));
    QVERIFY(normal != error);
    QVERIFY(normal != tip);
    QVERIFY(error != tip);
    QVERIFY2(error.red() > error.blue(), qPrintable(error.name()));
}

QTEST_MAIN(TestCommonSkin)
#include "tst_commonskin.moc"
