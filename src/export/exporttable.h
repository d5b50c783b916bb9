#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;

namespace TarnTool {

// The texts an export writes, taken from the device table: the header texts of the model columns
// 1 to n-1 (column 0 is the check box) and the cells of the chosen rows, in the order given. Both
// writers go through it, so a CSV file and a workbook always hold the same columns.
class ExportTable
{
public:
    ExportTable() = default;

    // A header whose text equals `from` is written as `to`.
    void renameHeader(const QString &from, const QString &to);
    // A column whose header text equals `header` is left out whole.
    void dropHeader(const QString &header);

    // Reads the texts. Fails, with the reason in `error`, for a row that the model does not have:
    // the rows come from a table that may have changed since they were chosen.
    bool read(const QAbstractItemModel &model, const QVector<int> &rows, QString *error = nullptr);

    QStringList headers() const { return m_headers; }
    const QVector<QStringList> &rows() const { return m_rows; }

private:
    QHash<QString, QString> m_renamed;
    QSet<QString> m_dropped;
    QStringList m_headers;
    QVector<QStringList> m_rows;
};

} // namespace TarnTool
