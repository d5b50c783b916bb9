#include "export/csvwriter.h"

#include <QAbstractItemModel>
#include <QStringList>

#include "export/exporttable.h"
#include "export/newfile.h"

namespace TarnTool {

QString CsvWriter::field(const QString &text)
{
    QString out = text;
    if (!out.isEmpty()) {
        const QChar first = out.at(0);
        if (first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
            || first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r'))
            out.prepend(QLatin1Char('\''));
    }
    if (out.contains(QLatin1Char(',')) || out.contains(QLatin1Char('"')) || out.contains(QLatin1Char('\n'))
        || out.contains(QLatin1Char('\r'))) {
        out.replace(QLatin1Char('"'), QLatin1String("\"\""));
        out = QLatin1Char('"') + out + QLatin1Char('"');
    }
    return out;
}

static QString line(const QStringList &texts)
{
    QStringList fields;
    fields.reserve(texts.size());
    for (const QString &text : texts)
        fields.append(CsvWriter::field(text));
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

bool CsvWriter::write(const QString &path, const QAbstractItemModel &model, const QVector<int> &rows,
                      bool dropHalyardColumns, QString *error)
{
    ExportTable table;
    table.renameHeader(tr("Serial Number"), tr("Device Serial Number"));
    table.renameHeader(tr("ID"), tr("Index"));
    if (dropHalyardColumns) {
        table.dropHeader(tr("Support Halyard"));
        table.dropHeader(tr("Halyard Status"));
    }
    if (!table.read(model, rows, error))
        return false;

    QString text = line(table.headers());
    for (const QStringList &row : table.rows())
        text += line(row);
    return writeNewFile(path, text.toUtf8(), error);
}

} // namespace TarnTool
