#include <QtTest>

#include <QTextCodec>

#include "toolkit/cfile.h"
#include "toolkit/guitext.h"
#include "toolkit/toolkitpath.h"

using namespace OrvoGUIToolkit;

class TestToolkitText : public QObject
{
    Q_OBJECT

private slots:
    void targetPaths();
    void readAllFromResourcesAndDisk();
    void convertFromUnicode();
    void guiCodecAndLocale();
};

void TestToolkitText::targetPaths()
{
    const QString dir = GetTargetPath();
    QVERIFY(dir.endsWith(QLatin1Char('/')));
    QCOMPARE(QDir(dir).canonicalPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
    QCOMPARE(GetTargetPathFile(QStringLiteral("Setup.xml")), dir + QStringLiteral("Setup.xml"));
    QVERIFY(QFileInfo::exists(GetTargetPathFile(QFileInfo(QCoreApplication::applicationFilePath()).fileName())));
}

void TestToolkitText::readAllFromResourcesAndDisk()
{
    QCOMPARE(CFile::ReadAll(QStringLiteral(":/test/qss/a.qss")), QStringLiteral("QWidget { color: #222; }"));
    QCOMPARE(CFile::ReadAll(QStringLiteral(":/test/qss/missing.qss")), QString());

    // Files are joined so that a file without a final line break cannot swallow the next rule.
    const QString joined = CFile::ReadAll(
        {QStringLiteral("a.qss"), QStringLiteral("missing.qss"), QStringLiteral("b.qss")},
        QStringLiteral(":/test/qss/"));
    QCOMPARE(joined, QStringLiteral("QWidget { color: #222; }\nQLabel { color: #444; }\n"));

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("u.qss")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("/* 中文 */").toUtf8());
    file.close();
    QCOMPARE(CFile::ReadAll(file.fileName()), QStringLiteral("/* 中文 */"));
}

void TestToolkitText::convertFromUnicode()
{
    QTextCodec *latin1 = QTextCodec::codecForName("ISO-8859-1");
    QTextCodec *gb = QTextCodec::codecForName("GB2312");
    bool ok = false;
    QCOMPARE(ConvertFromUnicode(QStringLiteral("Abc12345!"), latin1, &ok), QByteArray("Abc12345!"));
    QVERIFY(ok);
    QCOMPARE(ConvertFromUnicode(QStringLiteral(" pw "), latin1), QByteArray(" pw "));  // never trimmed

    // A password the codec cannot carry must not pass for a different one.
    ConvertFromUnicode(QStringLiteral("密码Abc"), latin1, &ok);
    QVERIFY(!ok);
    const QByteArray bytes = ConvertFromUnicode(QStringLiteral("密码Abc"), gb, &ok);
    QVERIFY(ok);
    QCOMPARE(gb->toUnicode(bytes), QStringLiteral("密码Abc"));
}

void TestToolkitText::guiCodecAndLocale()
{
    QTextCodec *gb = QTextCodec::codecForName("GB2312");
    InitGuiTextCodec(gb);
    QCOMPARE(GuiTextCodec(), gb);
    InitGuiTextCodec(nullptr);  // ignored
    QCOMPARE(GuiTextCodec(), gb);
    bool ok = false;
    QCOMPARE(ConvertFromUnicode(QStringLiteral("中"), nullptr, &ok), gb->fromUnicode(QStringLiteral("中")));
    QVERIFY(ok);

    const QLocale chinese(QLocale::Chinese, QLocale::China);
    InitGuiLocale(chinese);
    QCOMPARE(GuiLocale(), chinese);
    QCOMPARE(QLocale(), chinese);
    InitGuiLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(QLocale().language(), QLocale::English);
}

QTEST_GUILESS_MAIN(TestToolkitText)
#include "tst_toolkittext.moc"
