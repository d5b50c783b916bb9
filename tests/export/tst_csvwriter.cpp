#include <QtTest>

#include <QStandardItemModel>
#include <QTranslator>

#include <sys/mount.h>

#include "export/csvwriter.h"
#include "exporttestdata.h"
#include "support/mountns.h"

using TarnTool::CsvWriter;

class TestCsvWriter : public QObject
{
    Q_OBJECT

public:
    explicit TestCsvWriter(bool ownMounts) : m_ownMounts(ownMounts) {}

private slots:
    void init();
    void fieldsReadBackExactly_data();
    void fieldsReadBackExactly();
    void writesChosenRowsInTableOrder();
    void layoutIsLfUtf8WithoutBom();
    void halyardColumnsDroppedOnlyWhenAsked();
    void chineseHeadersAreRenamedToo();
    void refusesAndLeavesNothing_data();
    void refusesAndLeavesNothing();

private:
    const bool m_ownMounts;
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestCsvWriter::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestCsvWriter::fieldsReadBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("plain") << QStringLiteral("IPC-B2042") << QStringLiteral("IPC-B2042");
    QTest::newRow("comma") << QStringLiteral("IPC, outdoor") << QStringLiteral("IPC, outdoor");
    QTest::newRow("quotes") << QStringLiteral("say \"hi\"") << QStringLiteral("say \"hi\"");
    QTest::newRow("quote and comma") << QStringLiteral("\",\"") << QStringLiteral("\",\"");
    QTest::newRow("line feed") << QStringLiteral("two\nlines") << QStringLiteral("two\nlines");
    QTest::newRow("CR LF inside") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("Chinese") << QStringLiteral("网络摄像机，室外") << QStringLiteral("网络摄像机，室外");
    QTest::newRow("outside the BMP") << QStringLiteral("cam \U0001F4F7") << QStringLiteral("cam \U0001F4F7");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("formula") << QStringLiteral("=HYPERLINK(\"http://x\",\"y\")")
                             << QStringLiteral("'=HYPERLINK(\"http://x\",\"y\")");
    QTest::newRow("plus") << QStringLiteral("+1") << QStringLiteral("'+1");
    QTest::newRow("minus") << QStringLiteral("-2+3") << QStringLiteral("'-2+3");
    QTest::newRow("at") << QStringLiteral("@SUM(A1)") << QStringLiteral("'@SUM(A1)");
    QTest::newRow("tab") << QStringLiteral("\t=1") << QStringLiteral("'\t=1");
    QTest::newRow("carriage return") << QStringLiteral("\r=1") << QStringLiteral("'\r=1");
    QTest::newRow("equals later is data") << QStringLiteral("a=b") << QStringLiteral("a=b");
}

// Every cell of a row holds the text, so it is checked in the first, middle and last column alike.
void TestCsvWriter::fieldsReadBackExactly()
{
    QFETCH(QString, text);
    QFETCH(QString, readBack);

    const int columns = deviceHeaders().size() - 1;
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(1, {QVector<QString>(columns, text).toList()}));
    const QString path = m_dir->filePath(QStringLiteral("devices.csv"));
    QString error;
    QVERIFY2(CsvWriter::write(path, *model, {0}, false, &error), qPrintable(error));

    const QVector<QStringList> lines = rowsFromJson(readWithPython(csvReaderScript(), path));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1), QVector<QString>(columns, readBack).toList());
}

void TestCsvWriter::writesChosenRowsInTableOrder()
{
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(6));
    const QString path = m_dir->filePath(QStringLiteral("two.csv"));
    QVERIFY(CsvWriter::write(path, *model, {1, 4}, false));

    const QVector<QStringList> lines = rowsFromJson(readWithPython(csvReaderScript(), path));
    QCOMPARE(lines.size(), 3);
    QStringList header = deviceHeaders().mid(1);
    header.replace(header.indexOf(QStringLiteral("ID")), QStringLiteral("Index"));
    header.replace(header.indexOf(QStringLiteral("Serial Number")), QStringLiteral("Device Serial Number"));
    QCOMPARE(lines.at(0), header);
    // The index column keeps the numbers the table shows, not the file's own line numbers.
    QCOMPARE(lines.at(1), rowTexts(*model, 1));
    QCOMPARE(lines.at(2), rowTexts(*model, 4));
    QCOMPARE(lines.at(2).at(0), QStringLiteral("005"));
}

void TestCsvWriter::layoutIsLfUtf8WithoutBom()
{
    QScopedPointer<QStandardItemModel> model(
        makeDeviceTable(2, {{QStringLiteral("001"), QStringLiteral("摄像机")}, {QStringLiteral("002"), QString()}},
                        {QString(), QStringLiteral("ID"), QStringLiteral("Device Type")}));
    const QString path = m_dir->filePath(QStringLiteral("raw.csv"));
    QVERIFY(CsvWriter::write(path, *model, {1, 0}, false));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Index,Device Type\n002,\n001,\xE6\x91\x84\xE5\x83\x8F\xE6\x9C\xBA\n"));
}

void TestCsvWriter::halyardColumnsDroppedOnlyWhenAsked()
{
    const QStringList headers{QString(), QStringLiteral("ID"), QStringLiteral("Support Halyard"),
                              QStringLiteral("MAC"), QStringLiteral("Halyard Status")};
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(1, {}, headers));

    const QString kept = m_dir->filePath(QStringLiteral("kept.csv"));
    QVERIFY(CsvWriter::write(kept, *model, {0}, false));
    QVector<QStringList> lines = rowsFromJson(readWithPython(csvReaderScript(), kept));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), (QStringList{QStringLiteral("Index"), QStringLiteral("Support Halyard"),
                                                  QStringLiteral("MAC"), QStringLiteral("Halyard Status")}));

    const QString dropped = m_dir->filePath(QStringLiteral("dropped.csv"));
    QVERIFY(CsvWriter::write(dropped, *model, {0}, true));
    lines = rowsFromJson(readWithPython(csvReaderScript(), dropped));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), (QStringList{QStringLiteral("Index"), QStringLiteral("MAC")}));
    QCOMPARE(lines.at(1), (QStringList{QStringLiteral("001"), QStringLiteral("MAC 0")}));
}

// With the Chinese translation the table's headers are Chinese; the renaming must still find them.
void TestCsvWriter::chineseHeadersAreRenamedToo()
{
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral("tarntool_zh.qm"), QStringLiteral(TRANSLATIONS_DIR)));
    QCoreApplication::installTranslator(&chinese);
    QScopedPointer<QStandardItemModel> model(
        makeDeviceTable(1, {}, {QString(), QStringLiteral("编号"), QStringLiteral("序列号")}));
    const QString path = m_dir->filePath(QStringLiteral("zh.csv"));
    const bool written = CsvWriter::write(path, *model, {0}, false);
    QCoreApplication::removeTranslator(&chinese);
    QVERIFY(written);
    const QVector<QStringList> lines = rowsFromJson(readWithPython(csvReaderScript(), path));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), (QStringList{QStringLiteral("序号"), QStringLiteral("设备序列号")}));
}

void TestCsvWriter::refusesAndLeavesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("reason");

    QTest::newRow("file exists") << QStringLiteral("devices.csv") << QVector<int>{0} << true << "exists already";
    QTest::newRow("row beyond the table") << QStringLiteral("devices.csv") << QVector<int>{0, 3} << false << "";
    QTest::newRow("negative row") << QStringLiteral("devices.csv") << QVector<int>{-1} << false << "";
    QTest::newRow("folder missing") << QStringLiteral("no/such/devices.csv") << QVector<int>{0} << false
                                    << "No such file or directory";
    // A full disk once read "Unknown error"; both writers share the file writing.
    QTest::newRow("disk full") << QStringLiteral("devices.csv") << QVector<int>{0, 1, 2} << false
                               << "No space left on device";
    QTest::newRow("no room for a file") << QStringLiteral("devices.csv") << QVector<int>{0} << false
                                        << "No space left on device";
}

void TestCsvWriter::refusesAndLeavesNothing()
{
    QFETCH(QString, name);
    QFETCH(QVector<int>, rows);
    QFETCH(bool, existing);
    QFETCH(QString, reason);

    if (QByteArray(QTest::currentDataTag()).startsWith("disk full")
        || QByteArray(QTest::currentDataTag()).startsWith("no room")) {
        if (!m_ownMounts)
            QSKIP("needs root for a mount namespace of its own");
        const bool noInodes = QByteArray(QTest::currentDataTag()).startsWith("no room");
        QVERIFY(::mount("tarn-test", QFile::encodeName(m_dir->path()).constData(), "tmpfs", 0,
                        noInodes ? "size=64k,nr_inodes=1" : "size=4k") == 0);
    }
    const QString path = m_dir->filePath(name);
    const QByteArray before("first export\n");
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    // Large enough to fill the small disk.
    QScopedPointer<QStandardItemModel> model(
        makeDeviceTable(3, {QVector<QString>(deviceHeaders().size() - 1, QString(200, QLatin1Char('x'))).toList()}));
    QString error;
    QVERIFY(!CsvWriter::write(path, *model, rows, false, &error));
    QVERIFY2(!error.isEmpty() && error.contains(reason), qPrintable(error));

    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    ::umount2(QFile::encodeName(m_dir->path()).constData(), MNT_DETACH);
    if (existing) {
        QCOMPARE(left, QStringList{name});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    } else {
        QCOMPARE(left, QStringList());
    }
}

int main(int argc, char **argv)
{
    const bool ownMounts = enterOwnMountNamespace();
    QCoreApplication app(argc, argv);
    TestCsvWriter test(ownMounts);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_csvwriter.moc"
