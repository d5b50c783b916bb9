#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace TarnTool {

// The "Workbook" stream of an Excel 97-2003 file (BIFF8): one worksheet whose cells are all text.
// Texts go into the shared string table as UTF-16 where they need it, so any Unicode text
// survives; empty texts leave their cell blank.
class BiffWorkbook
{
public:
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;
    static constexpr int MaxCellLength = 32767;
    static constexpr int MaxSheetNameLength = 31;

    // `rows[r][c]` is the text of row r, column c. False, with the reason in `error`, when the
    // cells do not fit a BIFF8 sheet (too many rows, columns or characters in a cell).
    static bool build(const QString &sheetName, const QVector<QStringList> &rows, QByteArray *stream,
                      QString *error = nullptr);

    // `name` made valid as a sheet name: the characters Excel refuses ([]:*?/\) and control
    // characters become "_", an apostrophe at either end too, and the name is cut to 31
    // characters without splitting a surrogate pair. Empty gives "Sheet1".
    static QString sheetName(const QString &name);
};

} // namespace TarnTool
