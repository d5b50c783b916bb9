#include "cli/commands.h"

#include <iterator>

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/devicescan.h"
#include "discovery/tarnhandler.h"
#include "devicelist/deviceinfomodel.h"
#include "discovery/devicefields.h"
#include "export/csvwriter.h"

namespace TarnCli {

namespace {

QString onvifState(const TARN_DEVICE_INFO &d)
{
    if (d.protocol != TARN_PROTOCOL_ONVIF)
        return QString();
    switch (d.protocolState) {
    case TARN_ONVIF_READ: return QStringLiteral("read");
    case TARN_ONVIF_REFUSED: return QStringLiteral("credentials refused");
    case TARN_ONVIF_NO_ANSWER: return QStringLiteral("no answer");
    case TARN_ONVIF_ELSEWHERE: return QStringLiteral("not contacted");
    default: return QStringLiteral("not read");
    }
}

QJsonObject deviceJson(const TARN_DEVICE_INFO &d)
{
    using TARN::fieldText;
    return QJsonObject{
        {QStringLiteral("serial"), fieldText(d.serialNumber)},
        {QStringLiteral("mac"), fieldText(d.macAddress)},
        {QStringLiteral("type"), fieldText(d.deviceTypeName)},
        {QStringLiteral("activated"), d.activationState != TARN_NOT_ACTIVATED},
        {QStringLiteral("ip"), fieldText(d.ipv4Address)},
        {QStringLiteral("mask"), fieldText(d.ipv4SubnetMask)},
        {QStringLiteral("gateway"), fieldText(d.ipv4Gateway)},
        {QStringLiteral("dhcp"), d.dhcpEnabled == 1},
        {QStringLiteral("port"), d.port},
        {QStringLiteral("http_port"), int(d.httpPort)},
        {QStringLiteral("ipv6"), fieldText(d.ipv6Address)},
        {QStringLiteral("ipv6_gateway"), fieldText(d.ipv6Gateway)},
        {QStringLiteral("ipv6_prefix"), int(d.ipv6PrefixLength)},
        {QStringLiteral("channels"), d.channelCount},
        {QStringLiteral("software_version"), fieldText(d.softwareVersion)},
        {QStringLiteral("dsp_version"), fieldText(d.dspVersion)},
        {QStringLiteral("start_time"), fieldText(d.startTime)},
        {QStringLiteral("supports_dhcp"), bool(d.capabilityFlags & TARN_CAP_DHCP)},
        {QStringLiteral("protocol"), d.protocol == TARN_PROTOCOL_ONVIF ? QStringLiteral("ONVIF") : QStringLiteral("TARN")},
        // A maker certifies TARN devices; nobody certifies what answers WS-Discovery.
        {QStringLiteral("identity_verified"), d.protocol != TARN_PROTOCOL_ONVIF},
        {QStringLiteral("onvif_state"), onvifState(d)},
        {QStringLiteral("supports_ipv6"), bool(d.capabilityFlags & TARN_CAP_MODIFY_IPV6)},
    };
}

const char *const kCsvKeys[] = {"serial", "mac", "type", "activated", "ip", "mask", "gateway", "dhcp", "port",
                                "http_port", "ipv6", "ipv6_gateway", "ipv6_prefix", "channels",
                                "software_version", "dsp_version", "start_time", "supports_dhcp", "supports_ipv6",
                                "protocol", "identity_verified", "onvif_state"};

QString keyList()
{
    QStringList keys;
    for (const char *key : kCsvKeys)
        keys << QLatin1String(key);
    return keys.join(QStringLiteral(", "));
}

QString csvValue(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (value.isDouble())
        return QString::number(value.toInt());
    return value.toString();
}

} // namespace

int ListCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Lists the devices found: a table, or JSON or CSV for scripts, in the order of their addresses. "
           "JSON objects and CSV columns: %1.")
            .arg(keyList()));
    const QCommandLineOption json(QStringLiteral("json"), tr("One JSON array of devices."));
    const QCommandLineOption csv(QStringLiteral("csv"), tr("Comma-separated values with a header line."));
    parser.addOptions({json, csv});
    addSiteOptions(parser);
    const int parsed = parse(parser, QStringLiteral("list [options]"), arguments);
    if (parsed >= 0)
        return parsed;
    if (parser.isSet(json) && parser.isSet(csv)) {
        complain(tr("Give --json or --csv, not both."));
        return BadInput;
    }
    if (!readSiteCredentials(parser))
        return BadInput;
    if (!discover(parser))
        return SomeFailed;
    const QVector<TARN_DEVICE_INFO> devices = byAddress(m_scan->devices());

    if (parser.isSet(json)) {
        QJsonArray array;
        for (const TARN_DEVICE_INFO &d : devices) {
            QJsonObject object = deviceJson(d);
            const QString certificate = m_handler->onvifCertificate(TARN::serialOf(d).toLatin1());
            if (!certificate.isEmpty())
                object.insert(QStringLiteral("certificate_sha256"), certificate);
            array << object;
        }
        print(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return AllDone;
    }
    if (parser.isSet(csv)) {
        QStringList header;
        for (const char *key : kCsvKeys)
            header << QLatin1String(key);
        QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
        for (const TARN_DEVICE_INFO &d : devices) {
            const QJsonObject object = deviceJson(d);
            QStringList fields;
            for (const char *key : kCsvKeys)
                fields << TarnTool::CsvWriter::field(csvValue(object.value(QLatin1String(key))));
            text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
        }
        print(text);
        return AllDone;
    }

    // The table speaks the window's words: its own header and cell texts.
    TarnTool::DeviceInfoModel model;
    for (const TARN_DEVICE_INFO &d : devices)
        model.addDevice(&d);
    using M = TarnTool::DeviceInfoModel;
    const int ids[] = {M::IdIPv4Address, M::IdSerialNumber, M::IdMac, M::IdDeviceType, M::IdActivate,
                       M::IdPort, M::IdHttpPort, M::IdSoftVersion, M::IdProtocol};
    QVector<QStringList> rows(model.rowCount() + 1);
    for (const int id : ids) {
        const int column = model.columnOf(id);
        rows[0] << model.headerData(column, Qt::Horizontal).toString();
        for (int r = 0; r < model.rowCount(); ++r)
            rows[r + 1] << model.data(model.index(r, column)).toString();
    }
    QVector<int> widths(int(std::size(ids)), 0);
    for (const QStringList &row : qAsConst(rows)) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], displayWidth(row.at(c)));
    }
    QString text;
    for (const QStringList &row : qAsConst(rows)) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? padded(row.at(c), widths.at(c) + 2) : row.at(c);
        text += line + QLatin1Char('\n');
    }
    print(text);
    complain(tr("%n device(s) found.", nullptr, devices.size()));
    return AllDone;
}

} // namespace TarnCli
