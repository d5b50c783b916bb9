#include <QtTest>

#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/mountns.h"
#include "support/testfiles.h"

#include "common/xmlnode.h"
#include "toolkit/cdomfile.h"
#include "toolkit/cgenericds.h"

using OrvoGUIToolkit::CDomFile;
using OrvoGUIToolkit::CGenericDS;

namespace {

// Root passes every permission check. With the override off in this thread's effective set it
// meets a folder's permissions like anyone else; it stays permitted, so it can be turned on again.
bool overridePermissions(bool on)
{
    if (geteuid() != 0)
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const quint32 bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = on ? data[0].effective | (data[0].permitted & bits) : data[0].effective & ~bits;
    return ::syscall(SYS_capset, &header, data) == 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The tree as text without the layout whitespace that saving may change, nor the declaration.
QString describe(const QDomNode &node)
{
    QString out;
    for (QDomNode n = node.firstChild(); !n.isNull(); n = n.nextSibling()) {
        QStringList attributes;
        for (int i = 0; i < n.attributes().count(); ++i)
            attributes << n.attributes().item(i).nodeName() + QLatin1Char('=') + n.attributes().item(i).nodeValue();
        attributes.sort();
        if (!n.isProcessingInstruction() || n.nodeName() != QLatin1String("xml"))
            out += QStringLiteral("[%1 %2 %3 %4(%5)]").arg(n.nodeType()).arg(n.nodeName(), attributes.join(QLatin1Char(' ')),
                                                           n.isElement() ? QString() : n.nodeValue(), describe(n));
    }
    return out;
}

// Both element handles behind one interface, so that every case runs against each of them.
struct Handle
{
    enum Kind { Node, Store };
    explicit Handle(int k) : kind(Kind(k)) {}

    bool load(const QString &path) { return kind == Node ? node.load(path) && !node.element.isNull() : store.LoadXML(path); }
    bool save(const QString &path) { return kind == Node ? node.save(path) : store.SaveXML(path); }
    // Changes the first entry's "Value" and makes the document `size` characters larger.
    void change(int value, int size)
    {
        if (kind == Node) {
            node.childElementAt(0).firstElementByTagName(QStringLiteral("Value")).setText(value);
            node.element.appendChild(node.doc.createComment(QString(size, QLatin1Char('x'))));
        } else {
            store.GetChild(0).GetChildByName(QStringLiteral("Value")).SetValue(QString::number(value));
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
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_mounted = false;
    }
    void cleanup()
    {
        overridePermissions(true);
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir->path()).constData(), MNT_DETACH);
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dir.reset();
    }
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void roundTripKeepsTheFormat_data();
    void roundTripKeepsTheFormat();
    void readsAreBounded();

private:
    // A tmpfs on the test's folder, or new options for the one already there.
    void mountTmpfs(unsigned long flags, const char *options)
    {
        const QByteArray where = QFile::encodeName(m_dir->path());
        const unsigned long remount = m_mounted ? MS_REMOUNT : 0;
        QVERIFY2(::mount("tarn-test", where.constData(), "tmpfs", remount | flags, options) == 0, strerror(errno));
        m_mounted = true;
    }

    const bool m_ownMounts;
    QScopedPointer<QTemporaryDir> m_dir;
    bool m_mounted = false;
};

void TestCDomFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("why");
    for (const char *name : {"XmlNode", "CGenericDS"}) {
        for (const char *why : {"folder not writable", "read-only file system", "no space left", "no room for a new file"})
            QTest::addRow("%s, %s", name, why) << int(name[0] == 'X' ? Handle::Node : Handle::Store) << QString::fromLatin1(why);
    }
}

// The save fails for a reason of the file system's: the old file stays byte for byte, no temporary
// file is left behind, the handle keeps its changes, and once the reason is gone it saves them.
void TestCDomFile::failedSaveKeepsTheOldFile()
{
    QFETCH(int, kind);
    QFETCH(QString, why);
    const bool unwritable = why == QLatin1String("folder not writable");
    if (!unwritable && !m_ownMounts)
        QSKIP("needs root for a mount namespace of its own (small and read-only file systems)");
    // Full: 64 KiB in all, or room for exactly one file (the root and ours).
    if (!unwritable)
        mountTmpfs(0, why == QLatin1String("no room for a new file") ? "size=64k,nr_inodes=2" : "size=64k");

    const QByteArray old = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Setup>\n<Skin a=\"1\">\n"
                           "<Value>7</Value>\n</Skin>\n<!-- kept -->\n<Filter/>\n</Setup>\n";
    const QString path = writeTestFile(*m_dir, QStringLiteral("Setup.xml"), old);
    Handle handle(kind);
    QVERIFY(handle.load(path));
    handle.change(8, 80 * 1024);  // larger than the whole file system

    if (unwritable) {  // the file itself stays writable: only a save beside it can fail here
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(overridePermissions(false));
    } else if (why == QLatin1String("read-only file system")) {
        mountTmpfs(MS_RDONLY, "size=64k");
    } else if (why == QLatin1String("no space left")) {
        QFile filler(m_dir->filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
    }
    const QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);

    QVERIFY(!handle.save(path));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), files);
    QVERIFY(handle.kind == Handle::Node || !handle.store.GetLastError().isEmpty());
    QCOMPARE(handle.firstValue(), QStringLiteral("8"));

    if (unwritable) {
        QVERIFY(overridePermissions(true));
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    } else {
        mountTmpfs(0, "size=1m,nr_inodes=16");
    }
    QVERIFY2(handle.save(path), qPrintable(handle.store.GetLastError()));
    Handle again(kind);
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
    const QByteArray gb2312 = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n";
    // Each handle on the file it is used for, and on the other one.
    QTest::newRow("XmlNode, ColumnConfig.xml") << int(Handle::Node) << QStringLiteral(COLUMN_CONFIG_XML) << gb2312 << 0;
    QTest::newRow("XmlNode, Setup.xml") << int(Handle::Node) << QStringLiteral(SETUP_XML) << gb2312 << 0;
    QTest::newRow("CGenericDS, Setup.xml") << int(Handle::Store) << QStringLiteral(SETUP_XML)
                                           << QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n") << 4;
    QTest::newRow("CGenericDS, ColumnConfig.xml") << int(Handle::Store) << QStringLiteral(COLUMN_CONFIG_XML)
                                                  << QByteArray("<?xml version='1.0' encoding='GB2312'?>\n") << 4;
}

// Saving what was loaded keeps every element, attribute, comment and text; the layout is the
// handle's own (declaration, indentation), and saving the result again changes no byte.
void TestCDomFile::roundTripKeepsTheFormat()
{
    QFETCH(int, kind);
    QFETCH(QString, shipped);
    QFETCH(QByteArray, declaration);
    QFETCH(int, indent);

    const QString first = m_dir->filePath(QStringLiteral("first.xml"));
    const QString second = m_dir->filePath(QStringLiteral("second.xml"));
    Handle handle(kind);
    QVERIFY(handle.load(shipped) && handle.save(first));
    Handle reloaded(kind);
    QVERIFY(reloaded.load(first) && reloaded.save(second));

    const QByteArray bytes = readAll(first);
    QCOMPARE(readAll(second), bytes);
    QVERIFY2(bytes.startsWith(declaration), bytes.left(60).constData());
    QDomDocument saved;
    QDomDocument original;
    QVERIFY(saved.setContent(bytes) && original.setContent(readAll(shipped)));
    QVERIFY(CDomFile::ChildElementCount(original.documentElement()) >= 9);
    QCOMPARE(describe(saved), describe(original));
    // Children sit `indent` spaces in, grandchildren twice that.
    const QDomElement child = saved.documentElement().firstChildElement();
    QVERIFY2(bytes.contains('\n' + QByteArray(indent, ' ') + '<' + child.tagName().toLatin1())
                 && bytes.contains('\n' + QByteArray(2 * indent, ' ') + '<' + child.firstChildElement().tagName().toLatin1()),
             bytes.left(300).constData());
}

// No handle reads past the bound, whatever size the file reports: a device included. Nesting is
// bounded before a tree is built, and no save goes through a symbolic link.
void TestCDomFile::readsAreBounded()
{
    QDomDocument doc;
    doc.setContent(QByteArray("<kept/>"));
    QString error;
    QCOMPARE(CDomFile::ReadDocument(QStringLiteral("/dev/zero"), &doc, &error), CDomFile::TooLarge);
    QVERIFY(error.contains(QString::number(CDomFile::MaxFileSize)));
    QCOMPARE(doc.documentElement().tagName(), QStringLiteral("kept"));

    XmlNode node;
    QVERIFY(node.load(QStringLiteral("/dev/zero")));  // it opens, so true, but holds nothing
    QVERIFY(node.element.isNull());
    CGenericDS store;
    QVERIFY(!store.LoadXML(QStringLiteral("/dev/zero")));
    QVERIFY(store.IsNull());

    // 40,000 levels in 280 KB took the DOM's recursion past the stack.
    const QByteArray deep = QByteArray("<a>").repeated(40000) + QByteArray("</a>").repeated(40000);
    const QString deepPath = writeTestFile(*m_dir, QStringLiteral("deep.xml"), deep);
    QCOMPARE(CDomFile::ReadDocument(deepPath, &doc, &error), CDomFile::TooDeep);
    QCOMPARE(doc.documentElement().tagName(), QStringLiteral("kept"));
    QVERIFY(!store.LoadXML(deepPath));
    const QByteArray fits = QByteArray("<a>").repeated(CDomFile::MaxDepth) + QByteArray("</a>").repeated(CDomFile::MaxDepth);
    QCOMPARE(CDomFile::ReadDocument(writeTestFile(*m_dir, QStringLiteral("fits.xml"), fits), &doc), CDomFile::Read);

    const QByteArray other = "not ours\n";
    const QString target = writeTestFile(*m_dir, QStringLiteral("passwd"), other);
    const QString link = m_dir->filePath(QStringLiteral("Setup.xml"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!CDomFile::WriteDocument(doc, link, 0, &error));
    QVERIFY2(error.contains(QStringLiteral("symbolic link")), qPrintable(error));
    QCOMPARE(readAll(target), other);
    QVERIFY(QFileInfo(link).isSymLink());
}

int main(int argc, char **argv)
{
    const bool ownMounts = enterOwnMountNamespace();
    QCoreApplication app(argc, argv);
    TestCDomFile test(ownMounts);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cdomfile.moc"
