#include "cli/commands.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include "cli/devicescan.h"
#include "devicelist/deviceinfomodel.h"
#include "export/csvwriter.h"
#include "export/excelmanager.h"

namespace TarnCli {

int ExportCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Writes the devices found to a new file, as the window's export does."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    tr("The new file: FILE.csv or FILE.xls."), QStringLiteral("FILE"));
    parser.addOption(output);
    addSiteOptions(parser);
    const int parsed = parse(parser, QStringLiteral("export [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    const QFileInfo file(parser.value(output));
    const QString suffix = file.suffix().toLower();
    if (!parser.isSet(output) || (suffix != QLatin1String("csv") && suffix != QLatin1String("xls"))) {
        complain(tr("Give -o FILE.csv or -o FILE.xls."));
        return BadInput;
    }
    // ".csv" alone would be a hidden file without a name, ".xls" no file at all: neither is meant.
    if (file.completeBaseName().isEmpty()) {
        complain(tr("Give the file a name before .csv or .xls."));
        return BadInput;
    }
    // The workbook writer names its file itself, with the suffix in lower case.
    const QString target = suffix == QLatin1String("csv")
        ? file.filePath()
        : QDir(file.path()).filePath(file.completeBaseName() + QStringLiteral(".xls"));
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) {
        complain(tr("%1 exists already; it is not replaced.").arg(target));
        return BadInput;
    }
    if (!file.absoluteDir().exists()) {
        complain(tr("The folder %1 does not exist.").arg(file.absolutePath()));
        return BadInput;
    }
    if (!readSiteCredentials(parser))
        return BadInput;
    if (!discover(parser))
        return SomeFailed;
    TarnTool::DeviceInfoModel model;
    QVector<int> rows;
    for (const TARN_DEVICE_INFO &d : byAddress(m_scan->devices())) {
        rows << model.rowCount();
        model.addDevice(&d);
    }
    QString error;
    bool written = false;
    if (suffix == QLatin1String("csv")) {
        written = TarnTool::CsvWriter::write(file.absoluteFilePath(), model, rows, false, &error);
    } else {
        TarnTool::ExcelManager excel;
        written = excel.exportToExcel(file.completeBaseName(), file.absolutePath() + QLatin1Char('/'), &model, rows);
        error = excel.lastError();
    }
    if (!written) {
        complain(tr("%1 was not written: %2").arg(target, error));
        return SomeFailed;
    }
    complain(tr("%n device(s) written to %1.", nullptr, rows.size()).arg(target));
    return AllDone;
}

} // namespace TarnCli
