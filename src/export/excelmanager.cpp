#include "export/excelmanager.h"

#include <QAbstractItemModel>

#include "export/biffworkbook.h"
#include "export/compoundfile.h"
#include "export/exporttable.h"
#include "export/newfile.h"

namespace TarnTool {

ExcelManager::ExcelManager(QObject *parent)
    : QObject(parent)
{
}

bool ExcelManager::exportToExcel(const QString &name, const QString &dir, const QAbstractItemModel *model,
                                 const QVector<int> &rows)
{
    m_lastError.clear();
    auto fail = [this]() {
        qWarning("[Tool]Excel export failed: %s", qUtf8Printable(m_lastError));
        return false;
    };
    if (!model) {
        m_lastError = QStringLiteral("no table to export");
        return fail();
    }
    if (name.isEmpty()) {
        m_lastError = QStringLiteral("no file name");
        return fail();
    }

    ExportTable table;
    table.renameHeader(tr("Serial Number"), tr("Device Serial Number"));
    if (!table.read(*model, rows, &m_lastError))
        return fail();

    QVector<QStringList> cells;
    cells.reserve(table.rows().size() + 1);
    cells.append(table.headers());
    cells += table.rows();

    QByteArray workbook;
    QByteArray file;
    if (!BiffWorkbook::build(name, cells, &workbook, &m_lastError)
        || !CompoundFile::build(QStringLiteral("Workbook"), workbook, &file, &m_lastError)
        || !writeNewFile(dir + name + QStringLiteral(".xls"), file, &m_lastError))
        return fail();
    return true;
}

} // namespace TarnTool
