#include "exporttestdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardItemModel>
#include <QtTest>

QStringList deviceHeaders()
{
    return {QString(), QStringLiteral("ID"), QStringLiteral("Device Type"), QStringLiteral("Activate"),
            QStringLiteral("IPv4 Address"), QStringLiteral("Port"), QStringLiteral("Soft Vision"),
            QStringLiteral("IPv4 GateWay"), QStringLiteral("HttpPort"), QStringLiteral("Serial Number"),
            QStringLiteral("IPv4 Mask"), QStringLiteral("MAC"), QStringLiteral("Channel NO"),
            QStringLiteral("DSP Vision"), QStringLiteral("Start Time"), QStringLiteral("IPv6 Address"),
            QStringLiteral("IPv6 GateWay"), QStringLiteral("IPv6 Prefix Length"), QStringLiteral("Is Support IPv6"),
            QStringLiteral("Is Support Mod IPv6"), QStringLiteral("Is Support DHCP"), QStringLiteral("IPv4 DHCP")};
}

QStandardItemModel *makeDeviceTable(int rows, const QVector<QStringList> &cells, const QStringList &headers)
{
    auto *model = new QStandardItemModel(rows, headers.size());
    model->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < rows; ++r) {
        auto *check = new QStandardItem;
        check->setCheckable(true);
        model->setItem(r, 0, check);
        for (int c = 1; c < headers.size(); ++c) {
            QString text;
            if (r < cells.size() && c - 1 < cells.at(r).size())
                text = cells.at(r).at(c - 1);
            else if (headers.at(c) == QLatin1String("ID"))
                text = QString::asprintf("%03d", r + 1);
            else
                text = headers.at(c) + QLatin1Char(' ') + QString::number(r);
            model->setItem(r, c, new QStandardItem(text));
        }
    }
    return model;
}

QStringList rowTexts(const QStandardItemModel &model, int row)
{
    QStringList texts;
    for (int c = 1; c < model.columnCount(); ++c)
        texts.append(model.item(row, c)->text());
    return texts;
}

QString csvReaderScript()
{
    return QStringLiteral("import csv, json, sys\n"
                          "with open(sys.argv[1], newline='', encoding='utf-8', errors='strict') as f:\n"
                          "    print(json.dumps(list(csv.reader(f, strict=True))))\n");
}

QString xlsReaderScript()
{
    return QStringLiteral(
        "import json, sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1], logfile=sys.stderr)\n"
        "sheets = [book.sheet_by_index(i) for i in range(book.nsheets)]\n"
        "print(json.dumps({'names': book.sheet_names(),\n"
        "    'cells': [[s.cell_value(r, c) for c in range(s.ncols)] for r in range(s.nrows)] if (s := sheets[0]) else []}))\n");
}

QVector<QStringList> rowsFromJson(const QJsonValue &value)
{
    QVector<QStringList> rows;
    for (const QJsonValue &row : value.toArray()) {
        QStringList texts;
        for (const QJsonValue &cell : row.toArray())
            texts.append(cell.toString());
        rows.append(texts);
    }
    return rows;
}

QJsonValue readWithPython(const QString &script, const QString &file)
{
    QProcess python;
    python.start(QStringLiteral(PYTHON3), {QStringLiteral("-c"), script, file});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("python3 failed: ") + QString::fromUtf8(python.readAllStandardError())),
                     __FILE__, __LINE__);
        return QJsonValue();
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError) {
        QTest::qFail(qPrintable(error.errorString()), __FILE__, __LINE__);
        return QJsonValue();
    }
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}
