#pragma once

#include <QObject>
#include <QString>
#include <QVector>

class QAbstractItemModel;

namespace TarnTool {

// Writes chosen rows of the device table into a new Excel 97-2003 workbook (.xls), natively: one
// sheet named after the file, a header row with the table's header texts ("Serial Number" written
// as "Device Serial Number"), then one row of text cells per table row, in the order given.
class ExcelManager : public QObject
{
    Q_OBJECT

public:
    explicit ExcelManager(QObject *parent = nullptr);

    // Writes `dir` + `name` + ".xls"; `dir` already ends in a separator. True when every row was
    // written. On any failure, false with nothing left on disk, and lastError() says why; an
    // existing file is never replaced.
    bool exportToExcel(const QString &name, const QString &dir, const QAbstractItemModel *model,
                       const QVector<int> &rows);

    QString lastError() const { return m_lastError; }

private:
    QString m_lastError;
};

} // namespace TarnTool
