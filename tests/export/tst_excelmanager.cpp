#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>
#include <QStandardItemModel>

#include <freexl.h>

#include "export/biffworkbook.h"
#include "export/excelmanager.h"
#include "exporttestdata.h"

using TarnTool::BiffWorkbook;
using TarnTool::ExcelManager;

namespace {

struct Workbook
{
    QStringList sheetNames;
    QVector<QStringList> cells;
};

// The first sheet's texts as libfreexl reads them; a blank cell reads as an empty text.
bool readWithFreexl(const QString &path, Workbook *book, QString *error)
{
    const void *handle = nullptr;
    int rc = freexl_open(QFile::encodeName(path).constData(), &handle);
    if (rc != FREEXL_OK) {
        *error = QStringLiteral("freexl_open: %1").arg(rc);
        return false;
    }
    bool ok = false;
    unsigned int sheets = 0;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if ((rc = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets)) == FREEXL_OK) {
        for (unsigned int i = 0; i < sheets; ++i) {
            const char *name = nullptr;
            if ((rc = freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name)) != FREEXL_OK)
                break;
            book->sheetNames.append(QString::fromUtf8(name));
        }
    }
    if (rc == FREEXL_OK && (rc = freexl_select_active_worksheet(handle, 0)) == FREEXL_OK
        && (rc = freexl_worksheet_dimensions(handle, &rows, &columns)) == FREEXL_OK) {
        ok = true;
        for (unsigned int r = 0; r < rows && ok; ++r) {
            QStringList line;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if ((rc = freexl_get_cell_value(handle, r, c, &cell)) != FREEXL_OK) {
                    ok = false;
                    break;
                }
                if (cell.type == FREEXL_CELL_TEXT || cell.type == FREEXL_CELL_SST_TEXT)
                    line.append(QString::fromUtf8(cell.value.text_value));
                else if (cell.type == FREEXL_CELL_NULL)
                    line.append(QString());
                else
                    line.append(QStringLiteral("<not text: %1>").arg(cell.type));
            }
            book->cells.append(line);
        }
    }
    if (!ok)
        *error = QStringLiteral("freexl: %1").arg(rc);
    freexl_close(handle);
    return ok;
}

// Enough distinct texts that the string table runs over many records, with strings and surrogate
// pairs falling across their boundaries.
QVector<QStringList> longRows()
{
    QVector<QStringList> rows;
    for (int r = 0; r < 400; ++r) {
        rows.append({QStringLiteral("row %1 ").arg(r) + QString(97 + r % 13, QLatin1Char('x')),
                     QStringLiteral("行%1 ").arg(r) + QString(41 + r % 7, QChar(0x6444)),
                     QString::number(r) + QString(30 + r % 5, QLatin1Char(' ')) + QStringLiteral("\U0001F4F7\U0001F4F7")});
    }
    rows.append({QStringLiteral("a, \"b\"\nc"), QStringLiteral("=1+1"), QString()});
    return rows;
}

QVector<int> allRows(int count)
{
    QVector<int> rows(count);
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

QStringList excelHeader()
{
    QStringList header = deviceHeaders().mid(1);
    header.replace(header.indexOf(QStringLiteral("Serial Number")), QStringLiteral("Device Serial Number"));
    return header;
}

} // namespace

class TestExcelManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readersSeeSheetHeaderAndEveryCell_data();
    void readersSeeSheetHeaderAndEveryCell();
    void writesChosenRowsInTableOrder();
    void manyLongStringsSpanContinueRecords();
    void largeWorkbookNeedsDifatSectors();
    void libreOfficeOpensIt();
    void refusesAndLeavesNothing_data();
    void refusesAndLeavesNothing();
    void sheetNames_data();
    void sheetNames();

private:
    void checkReaders(const QString &path, const QString &sheet, const QVector<QStringList> &expected);
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestExcelManager::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestExcelManager::checkReaders(const QString &path, const QString &sheet, const QVector<QStringList> &expected)
{
    Workbook book;
    QString error;
    QVERIFY2(readWithFreexl(path, &book, &error), qPrintable(error));
    QCOMPARE(book.sheetNames, QStringList{sheet});
    QCOMPARE(book.cells.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        QCOMPARE(book.cells.at(r), expected.at(r));

    const QJsonObject xlrd = readWithPython(xlsReaderScript(), path).toObject();
    QCOMPARE(xlrd.value(QStringLiteral("names")).toArray(), QJsonArray{sheet});
    const QVector<QStringList> cells = rowsFromJson(xlrd.value(QStringLiteral("cells")));
    QCOMPARE(cells.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        QCOMPARE(cells.at(r), expected.at(r));
}

void TestExcelManager::readersSeeSheetHeaderAndEveryCell_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << QStringLiteral("192.168.1.64");
    QTest::newRow("Latin-1 accents") << QStringLiteral("Caméra extérieure");
    QTest::newRow("Chinese") << QStringLiteral("网络摄像机");
    QTest::newRow("outside the BMP") << QStringLiteral("cam \U0001F4F7");
    QTest::newRow("comma, quote, line break") << QStringLiteral("a, \"b\"\nc");
    QTest::newRow("leading equals stays text") << QStringLiteral("=1+1");
    QTest::newRow("empty") << QString();
    QTest::newRow("longer than a short string") << QString(300, QChar(0x4E2D));
}

// Each column holds the text with its column number, so a shifted or dropped cell shows. The
// index column is never empty in the device table; a row of nothing but blanks would vanish in xlrd.
void TestExcelManager::readersSeeSheetHeaderAndEveryCell()
{
    QFETCH(QString, text);

    const int columns = deviceHeaders().size() - 1;
    QStringList row;
    row.append(QStringLiteral("001"));
    for (int c = 1; c < columns; ++c)
        row.append(text.isEmpty() ? QString() : text + QString::number(c));
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(1, {row}));

    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY2(excel.exportToExcel(QStringLiteral("设备列表"), dir, model.data(), {0}), qPrintable(excel.lastError()));
    checkReaders(dir + QStringLiteral("设备列表.xls"), QStringLiteral("设备列表"), {excelHeader(), row});
}

void TestExcelManager::writesChosenRowsInTableOrder()
{
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(6));
    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY(excel.exportToExcel(QStringLiteral("devices"), dir, model.data(), {1, 4}));
    // "ID" keeps its header here; only the CSV file calls it "Index".
    QCOMPARE(excelHeader().first(), QStringLiteral("ID"));
    checkReaders(dir + QStringLiteral("devices.xls"), QStringLiteral("devices"),
                 {excelHeader(), rowTexts(*model, 1), rowTexts(*model, 4)});
}

void TestExcelManager::manyLongStringsSpanContinueRecords()
{
    const QStringList headers{QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QVector<QStringList> rows = longRows();
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(rows.size(), rows, headers));

    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY(excel.exportToExcel(QStringLiteral("long"), dir, model.data(), allRows(rows.size())));
    QVERIFY(QFileInfo(dir + QStringLiteral("long.xls")).size() > 3 * 8224);
    rows.prepend(headers.mid(1));
    checkReaders(dir + QStringLiteral("long.xls"), QStringLiteral("long"), rows);
}

// Past about 7 MB the header cannot list every FAT sector itself.
void TestExcelManager::largeWorkbookNeedsDifatSectors()
{
    QVector<QStringList> rows;
    rows.reserve(60000);
    for (int r = 0; r < 60000; ++r) {
        const QString n = QString::number(r);
        rows.append({n + QStringLiteral("-device-type-text"), n + QStringLiteral("-serial-number-text"),
                     n + QStringLiteral("-mac-address-text"), n + QStringLiteral("-firmware-text")});
    }
    QByteArray stream;
    QVERIFY(BiffWorkbook::build(QStringLiteral("big"), rows, &stream));
    QVERIFY(stream.size() > 109 * 128 * 512);

    const QStringList headers{QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(rows.size(), rows, headers));
    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY2(excel.exportToExcel(QStringLiteral("big"), dir, model.data(), allRows(rows.size())),
             qPrintable(excel.lastError()));

    Workbook book;
    QString error;
    QVERIFY2(readWithFreexl(dir + QStringLiteral("big.xls"), &book, &error), qPrintable(error));
    QCOMPARE(book.cells.size(), rows.size() + 1);
    QCOMPARE(book.cells.first(), headers.mid(1));
    QCOMPARE(book.cells.at(1), rows.first());
    QCOMPARE(book.cells.at(30001), rows.at(30000));
    QCOMPARE(book.cells.last(), rows.last());
}

// LibreOffice turns the workbook into CSV, which Python's csv module reads back.
void TestExcelManager::libreOfficeOpensIt()
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        QSKIP("LibreOffice is not installed");
    const QStringList headers{QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QVector<QStringList> rows = longRows();
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(rows.size(), rows, headers));
    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY(excel.exportToExcel(QStringLiteral("office"), dir, model.data(), allRows(rows.size())));

    QProcess convert;
    convert.start(office, {QStringLiteral("-env:UserInstallation=file://") + m_dir->path() + QStringLiteral("/profile"),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                           QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), QStringLiteral("--outdir"),
                           m_dir->path() + QStringLiteral("/out"), dir + QStringLiteral("office.xls")});
    QVERIFY(convert.waitForFinished(120000));
    const QString csv = m_dir->path() + QStringLiteral("/out/office.csv");
    QVERIFY2(QFile::exists(csv), qPrintable(QString::fromUtf8(convert.readAllStandardError())));
    rows.prepend(headers.mid(1));
    QCOMPARE(rowsFromJson(readWithPython(csvReaderScript(), csv)), rows);
}

void TestExcelManager::refusesAndLeavesNothing_data()
{
    QTest::addColumn<QString>("subdir");
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<int>("tableRows");
    QTest::addColumn<bool>("existing");

    QTest::newRow("file exists") << QString() << QVector<int>{0} << 3 << true;
    QTest::newRow("row beyond the table") << QString() << QVector<int>{2, 3} << 3 << false;
    QTest::newRow("folder missing") << QStringLiteral("gone/") << QVector<int>{0} << 3 << false;
    // A sheet holds 65536 rows, one of them the header.
    QTest::newRow("more rows than a sheet holds") << QString() << QVector<int>(65536, 0) << 1 << false;
}

void TestExcelManager::refusesAndLeavesNothing()
{
    QFETCH(QString, subdir);
    QFETCH(QVector<int>, rows);
    QFETCH(int, tableRows);
    QFETCH(bool, existing);

    const QString dir = m_dir->path() + QLatin1Char('/');
    const QByteArray before("an earlier export");
    if (existing) {
        QFile file(dir + QStringLiteral("devices.xls"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QScopedPointer<QStandardItemModel> model(makeDeviceTable(tableRows));
    ExcelManager excel;
    QVERIFY(!excel.exportToExcel(QStringLiteral("devices"), dir + subdir, model.data(), rows));
    QVERIFY(!excel.lastError().isEmpty());

    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    if (existing) {
        QCOMPARE(left, QStringList{QStringLiteral("devices.xls")});
        QFile file(dir + QStringLiteral("devices.xls"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    } else {
        QCOMPARE(left, QStringList());
    }
    QVERIFY(!excel.exportToExcel(QStringLiteral("devices"), dir, nullptr, {0}));
}

void TestExcelManager::sheetNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("sheet");

    QTest::newRow("kept") << QStringLiteral("Site A 2024") << QStringLiteral("Site A 2024");
    QTest::newRow("characters a sheet refuses") << QStringLiteral("a:b*c?[d]\\e") << QStringLiteral("a_b_c__d__e");
    QTest::newRow("apostrophes at the ends") << QStringLiteral("'x'") << QStringLiteral("_x_");
    QTest::newRow("32 characters cut to 31") << QString(32, QLatin1Char('n')) << QString(31, QLatin1Char('n'));
    QTest::newRow("pair not split by the cut")
        << QString(30, QLatin1Char('n')) + QStringLiteral("\U0001F4F7") << QString(30, QLatin1Char('n'));
}

// The file keeps the typed name; only the sheet's name is made valid.
void TestExcelManager::sheetNames()
{
    QFETCH(QString, fileName);
    QFETCH(QString, sheet);

    QScopedPointer<QStandardItemModel> model(makeDeviceTable(1));
    ExcelManager excel;
    const QString dir = m_dir->path() + QLatin1Char('/');
    QVERIFY2(excel.exportToExcel(fileName, dir, model.data(), {0}), qPrintable(excel.lastError()));
    checkReaders(dir + fileName + QStringLiteral(".xls"), sheet, {excelHeader(), rowTexts(*model, 0)});
}

QTEST_GUILESS_MAIN(TestExcelManager)
#include "tst_excelmanager.moc"
