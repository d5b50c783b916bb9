#include <QtTest>

#include "support/testfiles.h"

#include <QTextCodec>

#include "common/apppath.h"
#include "common/xmlnode.h"

class TestXmlNode : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textReadsDirectTextOnly();
    void setTextAppendsThenReplaces();
    void childElementAtSkipsOtherNodes();
    void firstElementByTagNameSearchesDescendants();
    void emptyHandle();
    void loadEdgeCases();
    void roundTripSharesTheDocument();
    void savesInGb2312();
    void saveToUnwritablePathFails();
    void resolveAppPath();

private:
    QString write(const QString &name, const QByteArray &content);
    XmlNode parse(const QString &xml);
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestXmlNode::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestXmlNode::write(const QString &name, const QByteArray &content)
{
    return writeTestFile(*m_dir, name, content);
}

XmlNode TestXmlNode::parse(const QString &xml)
{
    XmlNode node;
    node.load(write(QStringLiteral("doc.xml"), xml.toUtf8()));
    return node;
}

void TestXmlNode::textReadsDirectTextOnly()
{
    QCOMPARE(parse(QStringLiteral("<a>12</a>")).text(), QStringLiteral("12"));
    QCOMPARE(parse(QStringLiteral("<a><b>1</b></a>")).text(), QString());
    // Elements before the first text child are skipped, not searched.
    QCOMPARE(parse(QStringLiteral("<a><b>1</b>2</a>")).text(), QStringLiteral("2"));
    QCOMPARE(parse(QStringLiteral("<a><![CDATA[7]]></a>")).text(), QStringLiteral("7"));
}

void TestXmlNode::setTextAppendsThenReplaces()
{
    XmlNode node = parse(QStringLiteral("<a><b/></a>"));
    QVERIFY(node.setText(5));
    QCOMPARE(node.text(), QStringLiteral("5"));
    QVERIFY(node.setText(7));
    QCOMPARE(node.text(), QStringLiteral("7"));
    QCOMPARE(node.element.childNodes().count(), 2);  // <b/> and one text node
    QVERIFY(node.setText(-12));
    QCOMPARE(node.text(), QStringLiteral("-12"));
}

void TestXmlNode::childElementAtSkipsOtherNodes()
{
    const XmlNode root = parse(QStringLiteral("<r><!--c--><x/>text<y/></r>"));
    QCOMPARE(root.childElementCount(), 2);
    QCOMPARE(root.childElementAt(0).element.tagName(), QStringLiteral("x"));
    QCOMPARE(root.childElementAt(1).element.tagName(), QStringLiteral("y"));
    QVERIFY(root.childElementAt(2).element.isNull());
    QVERIFY(root.childElementAt(-1).element.isNull());
}

void TestXmlNode::firstElementByTagNameSearchesDescendants()
{
    const XmlNode root = parse(
        QStringLiteral("<r><a><v>1</v></a><v>2</v><b><c><w>3</w></c></b></r>"));
    QCOMPARE(root.firstElementByTagName(QStringLiteral("v")).text(), QStringLiteral("1"));
    QCOMPARE(root.firstElementByTagName(QStringLiteral("w")).text(), QStringLiteral("3"));
    QVERIFY(root.firstElementByTagName(QStringLiteral("none")).element.isNull());
    const XmlNode leaf = root.firstElementByTagName(QStringLiteral("w"));
    QVERIFY(leaf.firstElementByTagName(QStringLiteral("w")).element.isNull());
}

void TestXmlNode::emptyHandle()
{
    XmlNode empty;
    QVERIFY(empty.element.isNull());
    QCOMPARE(empty.childElementCount(), 0);
    QVERIFY(empty.childElementAt(0).element.isNull());
    QVERIFY(empty.firstElementByTagName(QStringLiteral("a")).element.isNull());
    QVERIFY(!empty.setText(1));
    QCOMPARE(empty.text(), QString());
}

void TestXmlNode::loadEdgeCases()
{
    XmlNode node;
    QVERIFY(!node.load(QString()));
    QVERIFY(!node.load(m_dir->filePath(QStringLiteral("missing.xml"))));

    QVERIFY(node.load(write(QStringLiteral("empty.xml"), QByteArray())));
    QVERIFY(node.element.isNull());
    QCOMPARE(node.childElementCount(), 0);

    QVERIFY(node.load(write(QStringLiteral("broken.xml"), "<r><a>1</r>")));
    QVERIFY(node.element.isNull());
    QCOMPARE(node.firstElementByTagName(QStringLiteral("a")).text(), QString());
}

void TestXmlNode::roundTripSharesTheDocument()
{
    const QString path = write(QStringLiteral("cols.xml"),
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n"
        "<Columns><Column><IndexValue>0</IndexValue></Column>"
        "<Column><IndexValue>1</IndexValue></Column></Columns>");
    XmlNode root;
    QVERIFY(root.load(path));
    QCOMPARE(root.childElementCount(), 2);
    for (int i = 0; i < root.childElementCount(); ++i) {
        XmlNode value = root.childElementAt(i).firstElementByTagName(QStringLiteral("IndexValue"));
        QVERIFY(value.setText(10 + i));
    }
    QVERIFY(root.save(path));

    XmlNode again;
    QVERIFY(again.load(path));
    QCOMPARE(again.childElementCount(), 2);
    QCOMPARE(again.childElementAt(0).firstElementByTagName(QStringLiteral("IndexValue")).text(),
             QStringLiteral("10"));
    QCOMPARE(again.childElementAt(1).firstElementByTagName(QStringLiteral("IndexValue")).text(),
             QStringLiteral("11"));
}

void TestXmlNode::savesInGb2312()
{
    // A UTF-8 file with Chinese text comes back as GB2312 bytes with a matching declaration.
    const QString chinese = QStringLiteral("设备列");
    const QString path = write(QStringLiteral("zh.xml"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><n>%1</n></r>").arg(chinese).toUtf8());
    XmlNode root;
    QVERIFY(root.load(path));
    QVERIFY(root.save(path));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.startsWith("<?xml version=\"1.0\" encoding=\"GB2312\"?>"), bytes.constData());
    QTextCodec *gb = QTextCodec::codecForName("GB2312");
    QVERIFY(gb);
    QVERIFY(bytes.contains(gb->fromUnicode(chinese)));
    QVERIFY(!bytes.contains(chinese.toUtf8()));

    XmlNode again;
    QVERIFY(again.load(path));
    QCOMPARE(again.firstElementByTagName(QStringLiteral("n")).text(), chinese);
}

void TestXmlNode::saveToUnwritablePathFails()
{
    XmlNode root = parse(QStringLiteral("<r/>"));
    QVERIFY(!root.save(m_dir->filePath(QStringLiteral("no/such/folder/x.xml"))));
}

void TestXmlNode::resolveAppPath()
{
    QVERIFY(appDirPath().endsWith(QLatin1Char('/')));
    QCOMPARE(appDirPath(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    QCOMPARE(::resolveAppPath(QStringLiteral("ColumnConfig.xml")),
             QCoreApplication::applicationDirPath() + QStringLiteral("/ColumnConfig.xml"));
    QCOMPARE(::resolveAppPath(QStringLiteral("/etc/x.xml")), QStringLiteral("/etc/x.xml"));
}

QTEST_GUILESS_MAIN(TestXmlNode)
#include "tst_xmlnode.moc"
