#include "export/exporttable.h"

#include <QAbstractItemModel>

namespace TarnTool {

void ExportTable::renameHeader(const QString &from, const QString &to)
{
    m_renamed.insert(from, to);
}

void ExportTable::dropHeader(const QString &header)
{
    m_dropped.insert(header);
}

bool ExportTable::read(const QAbstractItemModel &model, const QVector<int> &rows, QString *error)
{
    m_headers.clear();
    m_rows.clear();
    const int rowCount = model.rowCount();
    for (int row : rows) {
        if (row < 0 || row >= rowCount) {
            if (error)
                *error = QStringLiteral("row %1 is not in the table of %2 rows").arg(row).arg(rowCount);
            return false;
        }
    }

    QVector<int> columns;
    for (int column = 1; column < model.columnCount(); ++column) {
        const QString header = model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        if (m_dropped.contains(header))
            continue;
        columns.append(column);
        m_headers.append(m_renamed.value(header, header));
    }

    m_rows.reserve(rows.size());
    for (int row : rows) {
        QStringList cells;
        cells.reserve(columns.size());
        for (int column : columns)
            cells.append(model.index(row, column).data(Qt::DisplayRole).toString());
        m_rows.append(cells);
    }
    return true;
}

} // namespace TarnTool
