#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

class QAbstractItemModel;

namespace TarnTool {

// Writes chosen rows of the device table as a comma-separated file: one header line, then one line
// per row in the order given, each ended by a line feed, in UTF-8 without a byte-order mark.
// Fields follow RFC 4180: one holding a comma, a double quote or a line break is quoted and its
// quotes are doubled. Device texts arrive from the network, so a field that a spreadsheet would
// take for a formula (one beginning with "=", "+", "-", "@", a tab or a carriage return) gets a
// leading single quote.
class CsvWriter
{
    // The header texts are the export dialog's: one set of translations serves both.
    Q_DECLARE_TR_FUNCTIONS(TarnTool::DevicesInfoSavePage)

public:
    // `dropHalyardColumns` leaves out the halyard columns, which the Chinese standard edition does
    // not show. "Serial Number" and "ID" are written as "Device Serial Number" and "Index". The
    // file must not exist yet; false, with the reason in `error`, on any failure, and then no file
    // is left behind.
    static bool write(const QString &path, const QAbstractItemModel &model, const QVector<int> &rows,
                      bool dropHalyardColumns, QString *error = nullptr);

    // One field as it stands in the file.
    static QString field(const QString &text);
};

} // namespace TarnTool
