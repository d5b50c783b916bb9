#include <QtTest>

#include "support/testfiles.h"

#include <QTextCodec>

#include "toolkit/cgenericds.h"

using OrvoGUIToolkit::CGenericDS;

class TestCGenericDS : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsEntriesSkippingCommentsAndAttributes();
    void honoursDeclaredEncoding();
    void outOfRangeAndMissingGiveNullHandles();
    void failedLoadKeepsWhatWasLoaded();
    void rejectsOversizedFile();
    void setValueAndSaveRoundTrip();
    void saveKeepsDeclaredEncoding();

private:
    QString write(const QString &name, const QByteArray &content);
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestCGenericDS::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestCGenericDS::write(const QString &name, const QByteArray &content)
{
    return writeTestFile(*m_dir, name, content);
}

void TestCGenericDS::readsEntriesSkippingCommentsAndAttributes()
{
    const QString path = write(QStringLiteral("Setup.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- tool settings -->\n"
        "<Config version=\"2\">\n"
        "  <!-- 0 English, 1 Chinese -->\n"
        "  <Translator kind=\"uint\"><Value>1</Value></Translator>\n"
        "  <Filter><!-- on --><Value>1</Value><Note>x</Note></Filter>\n"
        "  <Skin><Value>CommonSkin</Value></Skin>\n"
        "</Config>\n");
    CGenericDS ds;
    QVERIFY2(ds.LoadXML(path), qPrintable(ds.GetLastError()));
    QCOMPARE(ds.GetName(), QStringLiteral("Config"));
    QCOMPARE(ds.GetChildrenCount(), 3);
    QCOMPARE(ds.GetChild(0).GetName(), QStringLiteral("Translator"));
    QCOMPARE(ds.GetChild(0).GetChildByName(QStringLiteral("Value")).GetValue(), QStringLiteral("1"));
    QCOMPARE(ds.GetChild(1).GetChildByName(QStringLiteral("Value")).GetValue(), QStringLiteral("1"));
    QCOMPARE(ds.GetChild(1).GetChildrenCount(), 2);
    QCOMPARE(ds.GetChild(2).GetChildByName(QStringLiteral("Value")).GetValue(), QStringLiteral("CommonSkin"));
}

void TestCGenericDS::honoursDeclaredEncoding()
{
    QTextCodec *gb = QTextCodec::codecForName("GB2312");
    QVERIFY(gb);
    const QString name = QStringLiteral("中文界面");
    const QByteArray content = "<?xml version=\"1.0\" encoding=\"GB2312\"?><r><Name><Value>"
                               + gb->fromUnicode(name) + "</Value></Name></r>";
    CGenericDS ds;
    QVERIFY(ds.LoadXML(write(QStringLiteral("gb.xml"), content)));
    QCOMPARE(ds.GetChild(0).GetChildByName(QStringLiteral("Value")).GetValue(), name);
}

void TestCGenericDS::outOfRangeAndMissingGiveNullHandles()
{
    CGenericDS ds;
    QVERIFY(ds.IsNull());
    QCOMPARE(ds.GetChildrenCount(), 0);
    QVERIFY(ds.GetChild(0).IsNull());
    QVERIFY(!ds.SetValue(QStringLiteral("x")));

    QVERIFY(ds.LoadXML(write(QStringLiteral("r.xml"), "<r><a/><b/></r>")));
    QVERIFY(ds.GetChild(2).IsNull());
    QVERIFY(ds.GetChild(-1).IsNull());
    QVERIFY(ds.GetChildByName(QStringLiteral("c")).IsNull());
    QCOMPARE(ds.GetChildByName(QStringLiteral("c")).GetValue(), QString());
    QCOMPARE(ds.GetChildByName(QStringLiteral("c")).GetChildByName(QStringLiteral("Value")).GetName(), QString());

    QVERIFY(ds.LoadXML(write(QStringLiteral("empty-root.xml"), "<r/>")));
    QCOMPARE(ds.GetChildrenCount(), 0);
}

void TestCGenericDS::failedLoadKeepsWhatWasLoaded()
{
    CGenericDS ds;
    QVERIFY(ds.LoadXML(write(QStringLiteral("good.xml"), "<r><a><Value>1</Value></a></r>")));

    QVERIFY(!ds.LoadXML(m_dir->filePath(QStringLiteral("missing.xml"))));
    QVERIFY(!ds.GetLastError().isEmpty());
    QVERIFY(!ds.LoadXML(write(QStringLiteral("broken.xml"), "<r><a></r>")));
    QVERIFY(ds.GetLastError().contains(QStringLiteral("line")));
    QVERIFY(!ds.LoadXML(write(QStringLiteral("empty.xml"), QByteArray())));
    QVERIFY(!ds.LoadXML(write(QStringLiteral("binary.xml"), QByteArray("\x00\xff\xfe<r>", 6))));

    QCOMPARE(ds.GetChildrenCount(), 1);
    QCOMPARE(ds.GetChild(0).GetChildByName(QStringLiteral("Value")).GetValue(), QStringLiteral("1"));
}

void TestCGenericDS::rejectsOversizedFile()
{
    QByteArray big("<r>");
    big.append(QByteArray(int(CGenericDS::MaxFileSize), ' '));
    big.append("</r>");
    CGenericDS ds;
    QVERIFY(!ds.LoadXML(write(QStringLiteral("big.xml"), big)));
    QVERIFY(ds.IsNull());
}

void TestCGenericDS::setValueAndSaveRoundTrip()
{
    const QString path = write(QStringLiteral("s.xml"),
        "<r><!-- keep me --><Skin a=\"1\"><Value>Old<![CDATA[x]]></Value></Skin></r>");
    CGenericDS ds;
    QVERIFY(ds.LoadXML(path));
    CGenericDS value = ds.GetChild(0).GetChildByName(QStringLiteral("Value"));
    QVERIFY(value.SetValue(QStringLiteral("New & <odd>")));
    QCOMPARE(value.GetValue(), QStringLiteral("New & <odd>"));
    QVERIFY(ds.SaveXML(path));

    CGenericDS again;
    QVERIFY(again.LoadXML(path));
    QCOMPARE(again.GetChild(0).GetChildByName(QStringLiteral("Value")).GetValue(),
             QStringLiteral("New & <odd>"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY(saved.contains("<!-- keep me -->"));
    QVERIFY(saved.contains("a=\"1\""));

    QVERIFY(!ds.SaveXML(m_dir->filePath(QStringLiteral("no/such/dir/s.xml"))));
}

void TestCGenericDS::saveKeepsDeclaredEncoding()
{
    QTextCodec *gb = QTextCodec::codecForName("GB2312");
    const QString path = write(QStringLiteral("gb.xml"),
        "<?xml version=\"1.0\" encoding=\"GB2312\"?><r><v>" + gb->fromUnicode(QStringLiteral("设备")) + "</v></r>");
    CGenericDS ds;
    QVERIFY(ds.LoadXML(path));
    QVERIFY(ds.GetChild(0).SetValue(QStringLiteral("摄像机")));
    QVERIFY(ds.SaveXML(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY(saved.contains(gb->fromUnicode(QStringLiteral("摄像机"))));
    CGenericDS again;
    QVERIFY(again.LoadXML(path));
    QCOMPARE(again.GetChild(0).GetValue(), QStringLiteral("摄像机"));
}

QTEST_GUILESS_MAIN(TestCGenericDS)
#include "tst_cgenericds.moc"
