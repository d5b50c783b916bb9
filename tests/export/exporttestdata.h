#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

class QStandardItemModel;

// The device table's header texts: the check-box column's empty header, then "ID" to "IPv4 DHCP".
QStringList deviceHeaders();

// A table shaped like the device table: column 0 a check box, then one text per header. Row r's
// cells hold "ID" = r+1 as "%03d" and "<header> r" elsewhere, unless `cells` gives row r's texts
// (from column 1 on).
QStandardItemModel *makeDeviceTable(int rows, const QVector<QStringList> &cells = {},
                                    const QStringList &headers = deviceHeaders());

// The texts a table's row holds from column 1 on.
QStringList rowTexts(const QStandardItemModel &model, int row);

// A Python script that prints the rows of the CSV file named by its argument as JSON.
QString csvReaderScript();

// A Python script that prints, as JSON, the sheet names of the .xls workbook named by its argument
// ("names") and the texts of its first sheet ("cells"), read with xlrd.
QString xlsReaderScript();

// The rows of a JSON array of arrays of texts.
QVector<QStringList> rowsFromJson(const QJsonValue &value);

// Runs a Python reader on `file` (the system interpreter, with the distribution's modules) and
// returns what it printed as JSON; null and a failure reported by QTest when it fails.
QJsonValue readWithPython(const QString &script, const QString &file);
