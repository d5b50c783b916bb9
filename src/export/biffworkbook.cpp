#include "export/biffworkbook.h"

#include <QHash>

#include "export/littleendianbytes.h"

namespace TarnTool {

namespace {

// Record types (MS-XLS 2.3).
enum : quint16 {
    RecEof = 0x000A,
    RecCalcCount = 0x000C,
    RecCalcMode = 0x000D,
    RecCalcPrecision = 0x000E,
    RecCalcRefMode = 0x000F,
    RecCalcDelta = 0x0010,
    RecCalcIter = 0x0011,
    RecProtect = 0x0012,
    RecPassword = 0x0013,
    RecWinProtect = 0x0019,
    RecDate1904 = 0x0022,
    RecPrintRowCol = 0x002A,
    RecPrintGrid = 0x002B,
    RecFont = 0x0031,
    RecContinue = 0x003C,
    RecWindow1 = 0x003D,
    RecBackup = 0x0040,
    RecCodePage = 0x0042,
    RecWriteAccess = 0x005C,
    RecCalcSaveRecalc = 0x005F,
    RecColInfo = 0x007D,
    RecGuts = 0x0080,
    RecWsBool = 0x0081,
    RecGridSet = 0x0082,
    RecBoundSheet8 = 0x0085,
    RecCountry = 0x008C,
    RecHideObj = 0x008D,
    RecMms = 0x00C1,
    RecBookBool = 0x00DA,
    RecXf = 0x00E0,
    RecInterfaceHdr = 0x00E1,
    RecInterfaceEnd = 0x00E2,
    RecSst = 0x00FC,
    RecLabelSst = 0x00FD,
    RecExtSst = 0x00FF,
    RecRRTabId = 0x013D,
    RecUsesElfs = 0x0160,
    RecDsf = 0x0161,
    RecProt4Rev = 0x01AF,
    RecRefreshAll = 0x01B7,
    RecProt4RevPass = 0x01BC,
    RecDimensions = 0x0200,
    RecDefaultRowHeight = 0x0225,
    RecWindow2 = 0x023E,
    RecStyle = 0x0293,
    RecBof = 0x0809,
};

constexpr int MaxRecordData = 8224;
constexpr quint16 DefaultCellXf = 15;

void appendRecord(QByteArray *stream, quint16 type, const QByteArray &data)
{
    LittleEndianBytes header;
    header.u16(type);
    header.u16(quint16(data.size()));
    stream->append(header.data());
    stream->append(data);
}

void appendRecord16(QByteArray *stream, quint16 type, quint16 value)
{
    LittleEndianBytes b;
    b.u16(value);
    appendRecord(stream, type, b.data());
}

// The author field: a short Unicode string padded with spaces to its fixed 112 bytes.
QByteArray writeAccess()
{
    const QByteArray user("TARN Tool");
    LittleEndianBytes b;
    b.u16(quint16(user.size()));
    b.u8(0);
    b.raw(user);
    QByteArray data = b.data();
    data.append(QByteArray(112 - data.size(), ' '));
    return data;
}

bool fitsLatin1(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

// Characters of `text` from `from`, `count` of them, one byte each when `compressed`, else UTF-16LE.
QByteArray characters(const QString &text, int from, int count, bool compressed)
{
    QByteArray out;
    out.reserve(count * (compressed ? 1 : 2));
    for (int i = from; i < from + count; ++i) {
        const quint16 u = text.at(i).unicode();
        out.append(char(u & 0xFF));
        if (!compressed)
            out.append(char(u >> 8));
    }
    return out;
}

QByteArray bof(quint16 kind)
{
    LittleEndianBytes b;
    b.u16(0x0600);  // BIFF8
    b.u16(kind);
    b.u16(0x0DBB);  // build
    b.u16(0x07CC);  // year
    b.u32(0);       // file history flags
    b.u32(0x06);    // lowest BIFF version that can read the rest
    return b.data();
}

QByteArray font()
{
    LittleEndianBytes b;
    b.u16(200);     // 10 points, in twips
    b.u16(0);       // attributes
    b.u16(0x7FFF);  // automatic colour
    b.u16(400);     // normal weight
    b.u16(0);       // no super- or subscript
    b.u8(0);        // no underline
    b.u8(0);        // family
    b.u8(0);        // character set
    b.u8(0);
    const QString name = QStringLiteral("Arial");
    b.u8(quint8(name.size()));
    b.u8(0);  // compressed characters
    b.raw(name.toLatin1());
    return b.data();
}

QByteArray xf(bool style)
{
    LittleEndianBytes b;
    b.u16(0);                          // font 0
    b.u16(0);                          // number format "General"
    b.u16(style ? 0xFFF5 : 0x0001);    // style: locked, parent none; cell: locked, parent style 0
    b.u8(0x20);                        // general alignment, bottom
    b.u8(0);                           // no rotation
    b.u8(0);                           // no indent
    b.u8(0);                           // every attribute as in the parent style
    b.u32(0);                          // no borders
    b.u32(0);
    b.u16(0x20C0);                     // automatic pattern colours
    return b.data();
}

// The workbook globals that come before the shared strings. Answers where in `out` the offset of
// the sheet's BOF record belongs.
int appendGlobals(QByteArray *out, const QString &sheet)
{
    // The globals in the order Excel writes them. Most only state defaults (no protection, no
    // backup, 1900 dates, full precision), but strict readers expect to find them.
    appendRecord(out, RecBof, bof(0x0005));
    appendRecord16(out, RecInterfaceHdr, 1200);
    appendRecord(out, RecMms, QByteArray(2, '\0'));
    appendRecord(out, RecInterfaceEnd, QByteArray());
    appendRecord(out, RecWriteAccess, writeAccess());
    appendRecord16(out, RecCodePage, 1200);  // UTF-16
    appendRecord16(out, RecDsf, 0);
    appendRecord16(out, RecRRTabId, 1);
    appendRecord16(out, RecWinProtect, 0);
    appendRecord16(out, RecProtect, 0);
    appendRecord16(out, RecPassword, 0);
    appendRecord16(out, RecProt4Rev, 0);
    appendRecord16(out, RecProt4RevPass, 0);
    {
        LittleEndianBytes b;
        b.u16(0);
        b.u16(0);
        b.u16(0x4000);
        b.u16(0x2000);
        b.u16(0x0038);  // horizontal and vertical scroll bars, sheet tabs
        b.u16(0);       // active sheet
        b.u16(0);       // first visible tab
        b.u16(1);       // selected tabs
        b.u16(0x0258);  // tab bar width ratio
        appendRecord(out, RecWindow1, b.data());
    }
    appendRecord16(out, RecBackup, 0);
    appendRecord16(out, RecHideObj, 0);
    appendRecord16(out, RecDate1904, 0);
    appendRecord16(out, RecCalcPrecision, 1);
    appendRecord16(out, RecRefreshAll, 0);
    appendRecord16(out, RecBookBool, 0);
    // Readers expect fonts 0 to 3 (there is no font 4) and the 15 style formats before the cells' own.
    for (int i = 0; i < 4; ++i)
        appendRecord(out, RecFont, font());
    for (int i = 0; i < DefaultCellXf; ++i)
        appendRecord(out, RecXf, xf(true));
    appendRecord(out, RecXf, xf(false));
    {
        LittleEndianBytes b;
        b.u16(0x8000);  // built-in style on format 0
        b.u8(0);        // "Normal"
        b.u8(0xFF);
        appendRecord(out, RecStyle, b.data());
    }
    appendRecord16(out, RecUsesElfs, 0);

    const int sheetOffsetAt = out->size() + 4;
    {
        const bool compressed = fitsLatin1(sheet);
        LittleEndianBytes b;
        b.u32(0);  // offset of the sheet's BOF, known only once the strings are written
        b.u8(0);   // visible
        b.u8(0);   // worksheet
        b.u8(quint8(sheet.size()));
        b.u8(compressed ? 0 : 1);
        b.raw(characters(sheet, 0, sheet.size(), compressed));
        appendRecord(out, RecBoundSheet8, b.data());
    }
    {
        LittleEndianBytes b;
        b.u16(1);  // United States
        b.u16(1);
        appendRecord(out, RecCountry, b.data());
    }
    return sheetOffsetAt;
}

// The shared string table and its index. A string that does not fit the rest of a record goes on
// in a CONTINUE record, which starts with the string's compression flag again. Its header (length
// and flags) is never split, nor is a surrogate pair, since readers decode each piece on its own.
void appendSharedStrings(QByteArray *out, const QStringList &strings, quint32 references)
{
    const int perBucket = qMax(8, strings.size() / 128 + 1);
    LittleEndianBytes extSst;
    extSst.u16(quint16(perBucket));
    {
        LittleEndianBytes record;
        record.u32(references);
        record.u32(quint32(strings.size()));
        quint16 recordType = RecSst;
        auto flush = [&]() {
            appendRecord(out, recordType, record.data());
            record.clear();
            recordType = RecContinue;
        };
        for (int s = 0; s < strings.size(); ++s) {
            const QString &text = strings.at(s);
            const bool compressed = fitsLatin1(text);
            const int charSize = compressed ? 1 : 2;
            if (record.size() + 3 + charSize > MaxRecordData)
                flush();
            if (s % perBucket == 0) {
                extSst.u32(quint32(out->size() + 4 + record.size()));
                extSst.u16(quint16(4 + record.size()));
                extSst.u16(0);
            }
            record.u16(quint16(text.size()));
            record.u8(compressed ? 0 : 1);
            int done = 0;
            while (done < text.size()) {
                int room = (MaxRecordData - record.size()) / charSize;
                int take = qMin(room, text.size() - done);
                if (take < text.size() - done && take > 0 && text.at(done + take - 1).isHighSurrogate())
                    --take;
                if (take == 0) {
                    flush();
                    record.u8(compressed ? 0 : 1);
                    continue;
                }
                record.raw(characters(text, done, take, compressed));
                done += take;
            }
        }
        flush();
    }
    appendRecord(out, RecExtSst, extSst.data());
}

void appendWorksheet(QByteArray *out, const QVector<QStringList> &rows, int columnCount,
                     const QHash<QString, quint32> &indexOf)
{
    appendRecord(out, RecBof, bof(0x0010));
    appendRecord16(out, RecCalcMode, 1);  // automatic
    appendRecord16(out, RecCalcCount, 100);
    appendRecord16(out, RecCalcRefMode, 1);  // A1 references
    appendRecord16(out, RecCalcIter, 0);
    {
        LittleEndianBytes b;
        b.u64(0x3F50624DD2F1A9FCull);  // 0.001 as a double
        appendRecord(out, RecCalcDelta, b.data());
    }
    appendRecord16(out, RecCalcSaveRecalc, 1);
    appendRecord16(out, RecPrintRowCol, 0);
    appendRecord16(out, RecPrintGrid, 0);
    appendRecord16(out, RecGridSet, 1);
    appendRecord(out, RecGuts, QByteArray(8, '\0'));
    {
        LittleEndianBytes b;
        b.u16(0);
        b.u16(255);  // 12.75 points, in twips
        appendRecord(out, RecDefaultRowHeight, b.data());
    }
    appendRecord16(out, RecWsBool, 0x04C1);  // a worksheet, not a dialog sheet
    if (columnCount > 0) {
        LittleEndianBytes b;
        b.u16(0);
        b.u16(quint16(columnCount - 1));
        b.u16(20 * 256);  // room for about 20 characters
        b.u16(DefaultCellXf);
        b.u16(0);
        b.u16(0);
        appendRecord(out, RecColInfo, b.data());
    }
    {
        LittleEndianBytes b;
        b.u32(0);
        b.u32(quint32(rows.size()));
        b.u16(0);
        b.u16(quint16(columnCount));
        b.u16(0);
        appendRecord(out, RecDimensions, b.data());
    }
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        for (int c = 0; c < row.size(); ++c) {
            if (row.at(c).isEmpty())
                continue;
            LittleEndianBytes b;
            b.u16(quint16(r));
            b.u16(quint16(c));
            b.u16(DefaultCellXf);
            b.u32(indexOf.value(row.at(c)));
            appendRecord(out, RecLabelSst, b.data());
        }
    }
    {
        LittleEndianBytes b;
        b.u16(0x06B6);  // gridlines, headers, zeros, automatic grid colour, outline symbols, selected
        b.u16(0);
        b.u16(0);
        b.u16(0x0040);
        b.u16(0);
        b.u16(0);
        b.u16(0);
        b.u16(0);
        b.u16(0);
        appendRecord(out, RecWindow2, b.data());
    }
    appendRecord(out, RecEof, QByteArray());
}

} // namespace

QString BiffWorkbook::sheetName(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    if (out.size() > MaxSheetNameLength) {
        int cut = MaxSheetNameLength;
        if (out.at(cut - 1).isHighSurrogate())
            --cut;
        out.truncate(cut);
    }
    if (out.startsWith(QLatin1Char('\'')))
        out[0] = QLatin1Char('_');
    if (out.endsWith(QLatin1Char('\'')))
        out[out.size() - 1] = QLatin1Char('_');
    return out.isEmpty() ? QStringLiteral("Sheet1") : out;
}

bool BiffWorkbook::build(const QString &name, const QVector<QStringList> &rows, QByteArray *stream,
                         QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };

    int columnCount = 0;
    for (const QStringList &row : rows)
        columnCount = qMax(columnCount, row.size());
    if (rows.size() > MaxRows)
        return fail(QStringLiteral("%1 rows do not fit a sheet of %2").arg(rows.size()).arg(MaxRows));
    if (columnCount > MaxColumns)
        return fail(QStringLiteral("%1 columns do not fit a sheet of %2").arg(columnCount).arg(MaxColumns));

    // The shared strings, each once, and every cell's index into them.
    QStringList strings;
    QHash<QString, quint32> indexOf;
    quint32 references = 0;
    for (const QStringList &row : rows) {
        for (const QString &text : row) {
            if (text.isEmpty())
                continue;
            if (text.size() > MaxCellLength)
                return fail(QStringLiteral("a text of %1 characters does not fit a cell of %2")
                                .arg(text.size()).arg(MaxCellLength));
            ++references;
            if (!indexOf.contains(text)) {
                indexOf.insert(text, quint32(strings.size()));
                strings.append(text);
            }
        }
    }

    QByteArray out;
    const int sheetOffsetAt = appendGlobals(&out, sheetName(name));
    appendSharedStrings(&out, strings, references);
    appendRecord(&out, RecEof, QByteArray());
    LittleEndianBytes offset;
    offset.u32(quint32(out.size()));
    out.replace(sheetOffsetAt, 4, offset.data());
    appendWorksheet(&out, rows, columnCount, indexOf);
    *stream = out;
    return true;
}

} // namespace TarnTool
