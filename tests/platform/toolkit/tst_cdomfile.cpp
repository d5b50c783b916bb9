#include <QtTest>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "support/testfiles.h"

#include "common/xmlnode.h"
#include "toolkit/cdomfile.h"
#include "toolkit/cgenericds.h"

using OrvoGUIToolkit::CDomFile;
using OrvoGUIToolkit::CGenericDS;

namespace {

// A mount namespace of the test's own, with nothing shared back, so the small file systems the
// tests fill up never appear outside this process. Must run before any thread exists.
bool enterOwnMountNamespace()
{
    return geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
           && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The tree as text: element names, attributes, text, comments and instructions, without the
// layout whitespace that saving is free to change.
QString describe(const QDomNode &node)
{
    QString out;
    for (QDomNode n = node.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement()) {
            const QDomNamedNodeMap attributes = n.attributes();
            QStringList names;
            for (int i = 0; i < attributes.count(); ++i)
                names << attributes.item(i).nodeName() + QLatin1Char('=') + attributes.item(i).nodeValue();
            names.sort();
            out += QStringLiteral("<%1 %2>%3</>").arg(n.nodeName(), names.join(QLatin1Char(' ')), describe(n));
        } else if (n.isProcessingInstruction() && n.nodeName() == QLatin1String("xml")) {
            continue;  // the declaration is compared on its own
        } else {
            out += QStringLiteral("[%1:%2]").arg(n.nodeType()).arg(n.nodeValue());
        }
    }
    return out;
}

QDomDocument parse(const QByteArray &bytes)
{
    QDomDocument doc;
    doc.setContent(bytes);
    return doc;
}

// Both element handles behind one interface, so every case runs against each of them.
struct Handle
{
    enum Kind { Node, Store };

    explicit Handle(Kind k) : kind(k) {}

    bool load(const QString &path)
    {
        return kind == Node ? node.load(path) && !node.element.isNull() : store.LoadXML(path);
    }
    bool save(const QString &path) { return kind == Node ? node.save(path) : store.SaveXML(path); }
    // Changes the first entry's "Value" and makes the document at least `size` characters larger.
    void change(const QString &value, int size)
    {
        if (kind == Node) {
            XmlNode first = node.childElementAt(0).firstElementByTagName(QStringLiteral("Value"));
            first.setText(value.toInt());
            node.element.appendChild(node.doc.createComment(QString(size, QLatin1Char('x'))));
        } else {
            store.GetChild(0).GetChildByName(QStringLiteral("Value")).SetValue(value);
            store.GetChild(1).SetValue(QString(size, QLatin1Char('x')));
        }
    }
    QString firstValue() const
    {
        return kind == Node ? node.childElementAt(0).firstElementByTagName(QStringLiteral("Value")).text()
                            : store.GetChild(0).GetChildByName(QStringLiteral("Value")).GetValue();
    }

    Kind kind;
    XmlNode node;
    CGenericDS store;
};

} // namespace

class TestCDomFile : public QObject
{
    Q_OBJECT

public:
    explicit TestCDomFile(bool ownMounts) : m_ownMounts(ownMounts) {}

private slots:
    void init();
    void cleanup();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void roundTripKeepsTheFormat_data();
    void roundTripKeepsTheFormat();
    void readsAreBounded();

private:
    void mountSmall(const QByteArray &options);
    void remount(unsigned long flags, const QByteArray &options);

    const bool m_ownMounts;
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_mounted;
};

void TestCDomFile::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestCDomFile::cleanup()
{
    if (!m_mounted.isEmpty())
        ::umount2(QFile::encodeName(m_mounted).constData(), MNT_DETACH);
    m_mounted.clear();
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

void TestCDomFile::mountSmall(const QByteArray &options)
{
    const QByteArray where = QFile::encodeName(m_dir->path());
    QVERIFY2(::mount("tarn-test", where.constData(), "tmpfs", 0, options.constData()) == 0,
             strerror(errno));
    m_mounted = m_dir->path();
}

void TestCDomFile::remount(unsigned long flags, const QByteArray &options)
{
    const QByteArray where = QFile::encodeName(m_mounted);
    QVERIFY2(::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | flags, options.constData()) == 0,
             strerror(errno));
}

void TestCDomFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("why");
    for (const auto kind : {Handle::Node, Handle::Store}) {
        const char *name = kind == Handle::Node ? "XmlNode" : "CGenericDS";
        for (const char *why : {"read-only folder", "no space left", "no room for a new file"})
            QTest::addRow("%s, %s", name, why) << int(kind) << QString::fromLatin1(why);
    }
}

// The save fails for a reason of the file system's: the old file stays byte for byte, no temporary
// file is left behind, the handle keeps its changes, and a save once the reason is gone succeeds.
void TestCDomFile::failedSaveKeepsTheOldFile()
{
    QFETCH(int, kind);
    QFETCH(QString, why);
    const bool readOnly = why == QLatin1String("read-only folder");
    if (!m_ownMounts && (!readOnly || geteuid() == 0))
        QSKIP("needs root for a mount namespace of its own (small and read-only file systems)");

    // Full: a 64 KiB file system, or one with room for exactly one file (its root and ours).
    if (m_ownMounts)
        mountSmall(why == QLatin1String("no room for a new file") ? "size=64k,nr_inodes=2" : "size=64k");
    const QByteArray old = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Setup>\n<Skin a=\"1\">\n"
                           "<Value>7</Value>\n</Skin>\n<!-- kept -->\n<Filter/>\n</Setup>\n";
    const QString path = writeTestFile(*m_dir, QStringLiteral("Setup.xml"), old);
    QVERIFY(!path.isEmpty());

    Handle handle{Handle::Kind(kind)};
    QVERIFY(handle.load(path));
    handle.change(QStringLiteral("8"), 80 * 1024);  // larger than the whole file system

    QString filler;
    if (readOnly) {
        if (m_ownMounts)
            remount(MS_RDONLY, "size=64k");
        else  // the file itself stays writable: only an atomic save can fail here
            QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (why == QLatin1String("no space left")) {
        filler = m_dir->filePath(QStringLiteral("filler"));
        QFile fill(filler);
        QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (fill.write(block) == block.size()) {
        }
    }
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);

    QVERIFY(!handle.save(path));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), before);
    if (kind == Handle::Store)
        QVERIFY(!handle.store.GetLastError().isEmpty());
    QCOMPARE(handle.firstValue(), QStringLiteral("8"));

    // Take the reason away; the same handle then saves what it holds.
    if (m_ownMounts)
        remount(0, "size=1m,nr_inodes=16");
    else
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY2(handle.save(path), qPrintable(handle.store.GetLastError()));
    Handle again{Handle::Kind(kind)};
    QVERIFY(again.load(path));
    QCOMPARE(again.firstValue(), QStringLiteral("8"));
    QVERIFY(readAll(path).contains("<!-- kept -->"));
}

void TestCDomFile::roundTripKeepsTheFormat_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shipped");
    QTest::addColumn<QByteArray>("declaration");
    QTest::addColumn<int>("indent");
    // Each handle on the file it is used for, and on the other one.
    QTest::newRow("XmlNode, ColumnConfig.xml") << int(Handle::Node) << QStringLiteral(COLUMN_CONFIG_XML)
                                               << QByteArray("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n") << 0;
    QTest::newRow("XmlNode, Setup.xml") << int(Handle::Node) << QStringLiteral(SETUP_XML)
                                        << QByteArray("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n") << 0;
    QTest::newRow("CGenericDS, Setup.xml") << int(Handle::Store) << QStringLiteral(SETUP_XML)
                                           << QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n") << 4;
    QTest::newRow("CGenericDS, ColumnConfig.xml") << int(Handle::Store) << QStringLiteral(COLUMN_CONFIG_XML)
                                                  << QByteArray("<?xml version='1.0' encoding='GB2312'?>\n") << 4;
}

// Saving what was loaded keeps every element, attribute, comment and text; its layout is the
// handle's own (declaration, indentation) and saving it again changes no byte.
void TestCDomFile::roundTripKeepsTheFormat()
{
    QFETCH(int, kind);
    QFETCH(QString, shipped);
    QFETCH(QByteArray, declaration);
    QFETCH(int, indent);

    const QByteArray original = readAll(shipped);
    const QString first = m_dir->filePath(QStringLiteral("first.xml"));
    const QString second = m_dir->filePath(QStringLiteral("second.xml"));
    Handle handle{Handle::Kind(kind)};
    QVERIFY(handle.load(shipped));
    QVERIFY(handle.save(first));
    Handle reloaded{Handle::Kind(kind)};
    QVERIFY(reloaded.load(first));
    QVERIFY(reloaded.save(second));

    const QByteArray bytes = readAll(first);
    QCOMPARE(readAll(second), bytes);
    QVERIFY2(bytes.startsWith(declaration), bytes.left(60).constData());
    QCOMPARE(describe(parse(bytes)), describe(parse(original)));
    QVERIFY(CDomFile::ChildElementCount(parse(original).documentElement()) >= 9);
    // Nested elements are indented by `indent` spaces per level and by nothing else.
    const QByteArray nested = '\n' + QByteArray(indent, ' ') + "<" + parse(bytes).documentElement().firstChildElement().tagName().toLatin1();
    QVERIFY2(bytes.contains(nested), bytes.left(300).constData());
    QVERIFY(!bytes.contains('\n' + QByteArray(indent + 1, ' ') + '<'));
}

// No handle reads past the bound, whatever the size the file reports; a device or pipe included.
void TestCDomFile::readsAreBounded()
{
    QDomDocument doc = parse("<kept/>");
    QString error;
    QCOMPARE(CDomFile::ReadDocument(QStringLiteral("/dev/zero"), &doc, &error), CDomFile::TooLarge);
    QVERIFY(error.contains(QString::number(CDomFile::MaxFileSize)));
    QCOMPARE(doc.documentElement().tagName(), QStringLiteral("kept"));

    XmlNode node;
    QVERIFY(node.load(QStringLiteral("/dev/zero")));  // opens, so true, but holds nothing
    QVERIFY(node.element.isNull());
    CGenericDS store;
    QVERIFY(!store.LoadXML(QStringLiteral("/dev/zero")));
    QVERIFY(store.IsNull());
}

int main(int argc, char **argv)
{
    const bool ownMounts = enterOwnMountNamespace();
    QCoreApplication app(argc, argv);
    TestCDomFile test(ownMounts);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cdomfile.moc"
